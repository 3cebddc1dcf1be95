// The property lists of both windows and of every control, constants encoded at compile time.
// Every list of a class holds its keys in the same order, the order in which they are applied;
// values set in code (text size, text unit, backdrop, menu bar) are not part of any list.
#pragma once

#include "framework/plist.h"

namespace shell::lists {

using namespace ::fw::plist;

// The window keys, in applying order; only the values that differ between windows are parameters.
#define KD_WINDOW_LIST(width, height, frame, r, g, b, title, minimizeButton)                   \
  I("Placement", 2), I("Width", width), I("Height", height), I("MinWidth", 64),               \
      I("MinHeight", 64), I("MaxWidth", 32000), I("MaxHeight", 32000), I("Frame", frame),     \
      B("Composite", false), B("HasBackColor", false), C("BackColor", r, g, b),               \
      T("Title", title), B("Visible", true), B("FullScreen", false),                          \
      B("MenuBarVisible", true), B("CloseButton", true), B("Resizeable", false),              \
      B("LiveResize", false), B("MaximizeButton", false), B("MinimizeButton", minimizeButton), \
      I("MacProcID", 0)

// The twelve keys every control list begins with. LockLeft and LockTop are always set.
#define KD_CONTROL_HEAD(name, left, top, width, height, lockRight, lockBottom, tabIndex)        \
  T("Name", name), I("Index", -2147483647 - 1), I("Left", left), I("Top", top),               \
      I("Width", width), I("Height", height), B("LockLeft", true), B("LockTop", true),        \
      B("LockRight", lockRight), B("LockBottom", lockBottom), I("TabPanelIndex", 0),          \
      I("TabIndex", tabIndex)

// ---- MainWindow -------------------------------------------------------------------------------

FW_PROPERTY_LIST(kMainWindow, KD_WINDOW_LIST(473, 174, 0, 0, 0, 0, "Keldara Launcher", true));

FW_PROPERTY_LIST(kMainWindow_GroupBox1,
                 KD_CONTROL_HEAD("GroupBox1", 155, 4, 293, 128, false, false, 5),
                 T("Caption", "Mount your Keldara disk on your desktop"), B("Enabled", true),
                 B("Visible", true), T("HelpTag", ""), B("AutoDeactivate", true),
                 T("TextFont", "System"), B("Bold", false), B("Italic", false),
                 B("Underline", false), T("InitialParent", ""));

FW_PROPERTY_LIST(kMainWindow_StaticText2,
                 KD_CONTROL_HEAD("StaticText2", 171, 74, 100, 22, false, false, 1),
                 T("Text", "Password"), I("TextAlign", 0), C("TextColor", 0, 0, 0),
                 B("Multiline", false), B("Enabled", true), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), T("DataSource", ""),
                 T("DataField", ""), T("InitialParent", "GroupBox1"));

FW_PROPERTY_LIST(kMainWindow_StaticText1,
                 KD_CONTROL_HEAD("StaticText1", 171, 34, 100, 22, false, false, 0),
                 T("Text", "Username"), I("TextAlign", 0), C("TextColor", 0, 0, 0),
                 B("Multiline", false), B("Enabled", true), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), T("DataSource", ""),
                 T("DataField", ""), T("InitialParent", "GroupBox1"));

FW_PROPERTY_LIST(kMainWindow_txt_pass,
                 KD_CONTROL_HEAD("txt_pass", 250, 78, 170, 22, false, false, 1),
                 B("TabStop", true), B("Border", true), B("Password", true),
                 B("UseFocusRing", true), C("TextColor", 0, 0, 0), C("BackColor", 255, 255, 255),
                 B("Enabled", true), T("Format", ""), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), T("CueText", "Enter Keldara Password"),
                 T("Text", ""), T("Mask", ""), B("ReadOnly", false), I("LimitText", 0),
                 B("AcceptTabs", false), I("Alignment", 0), T("DataSource", ""),
                 T("DataField", ""));

FW_PROPERTY_LIST(kMainWindow_btn_connect,
                 KD_CONTROL_HEAD("btn_connect", 350, 144, 80, 20, false, false, 3),
                 B("TabStop", true), T("Caption", "Connect"), B("Default", true),
                 B("Cancel", false), B("Enabled", false), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), T("InitialParent", ""));

FW_PROPERTY_LIST(kMainWindow_btn_cancel,
                 KD_CONTROL_HEAD("btn_cancel", 260, 144, 80, 20, false, false, 4),
                 B("TabStop", true), T("Caption", "Cancel"), B("Default", false),
                 B("Cancel", true), B("Enabled", true), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), T("InitialParent", ""));

FW_PROPERTY_LIST(kMainWindow_txt_user,
                 KD_CONTROL_HEAD("txt_user", 250, 38, 170, 22, false, false, 0),
                 B("TabStop", true), B("Border", true), B("Password", false),
                 B("UseFocusRing", true), C("TextColor", 0, 0, 0), C("BackColor", 255, 255, 255),
                 B("Enabled", true), T("Format", ""), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), T("CueText", "Enter Keldara Username"),
                 T("Text", ""), T("Mask", ""), B("ReadOnly", false), I("LimitText", 0),
                 B("AcceptTabs", false), I("Alignment", 0), T("DataSource", ""),
                 T("DataField", ""));

FW_PROPERTY_LIST(kMainWindow_Canvas1,
                 KD_CONTROL_HEAD("Canvas1", 15, 4, 128, 128, false, false, 6),
                 B("TabStop", true), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), B("Enabled", true), B("UseFocusRing", false),
                 B("AcceptFocus", false), B("AcceptTabs", false), B("DoubleBuffer", false),
                 B("EraseBackground", false), T("InitialParent", ""));

FW_PROPERTY_LIST(kMainWindow_kdProgress,
                 KD_CONTROL_HEAD("kdProgress", 74, 68, 16, 16, false, false, 0),
                 B("TabStop", false), T("InitialParent", "Canvas1"), B("Visible", false),
                 T("HelpTag", ""), B("AutoDeactivate", true), B("Enabled", false));

FW_PROPERTY_LIST(kMainWindow_chk_pw,
                 KD_CONTROL_HEAD("chk_pw", 15, 153, 233, 20, false, false, 2),
                 B("TabStop", true), T("Caption", "Remember Password in Keychain"),
                 B("Enabled", false), B("Visible", false), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), I("State", 0), B("Value", false),
                 T("DataSource", ""), T("DataField", ""), T("InitialParent", ""));

FW_PROPERTY_LIST(kMainWindow_chk_control,
                 KD_CONTROL_HEAD("chk_control", 15, 134, 128, 20, false, false, 7),
                 B("TabStop", true), T("Caption", "Keldara Control"), B("Enabled", true),
                 B("Visible", true), T("HelpTag", ""), B("AutoDeactivate", true),
                 T("TextFont", "System"), B("Bold", false), B("Italic", false),
                 B("Underline", false), I("State", 0), B("Value", false), T("DataSource", ""),
                 T("DataField", ""), T("InitialParent", ""));

// The link label lies below the content area and is the one control locked to all four edges.
FW_PROPERTY_LIST(kMainWindow_txt_forget,
                 KD_CONTROL_HEAD("txt_forget", 250, 196, 180, 20, true, true, 8),
                 T("Text", "Forgotten your Password? Click Here"), I("TextAlign", 1),
                 C("TextColor", 0, 0, 255), B("Multiline", false), B("Enabled", true),
                 B("Visible", false), T("HelpTag", ""), B("AutoDeactivate", true),
                 T("TextFont", "System"), B("Bold", false), B("Italic", false),
                 B("Underline", false), T("DataSource", ""), T("DataField", ""),
                 T("InitialParent", ""));

// ---- AboutWindow ------------------------------------------------------------------------------

FW_PROPERTY_LIST(kAboutWindow,
                 KD_WINDOW_LIST(298, 300, 7, 255, 255, 255, "About Keldara Launcher", false));

FW_PROPERTY_LIST(kAboutWindow_Canvas1,
                 KD_CONTROL_HEAD("Canvas1", 85, 23, 128, 128, false, false, 0),
                 B("TabStop", true), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), B("Enabled", true), B("UseFocusRing", false),
                 B("AcceptFocus", false), B("AcceptTabs", false), B("DoubleBuffer", false),
                 B("EraseBackground", false), T("InitialParent", ""));

FW_PROPERTY_LIST(kAboutWindow_StaticText1,
                 KD_CONTROL_HEAD("StaticText1", 85, 170, 128, 20, false, false, 1),
                 T("Text", "Keldara Launcher"), I("TextAlign", 1), C("TextColor", 0, 0, 0),
                 B("Multiline", false), B("Enabled", true), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", true),
                 B("Italic", false), B("Underline", false), T("DataSource", ""),
                 T("DataField", ""), T("InitialParent", ""));

/// The maker's notice: a rights line and a trademark line joined by one carriage return.
inline constexpr std::string_view kMakerNotice =
    "\xC2\xA9 2009 Ovrin\r"
    "Keldara Launcher and the \"Mountain Key\" badge are trademarks of Ovrin, a unit of the "
    "Tessmark Group.";

FW_PROPERTY_LIST(kAboutWindow_StaticText2,
                 KD_CONTROL_HEAD("StaticText2", 20, 229, 258, 57, false, false, 2),
                 T("Text", kMakerNotice), I("TextAlign", 1), C("TextColor", 0, 0, 0),
                 B("Multiline", true), B("Enabled", true), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), T("DataSource", ""),
                 T("DataField", ""), T("InitialParent", ""));

FW_PROPERTY_LIST(kAboutWindow_VerTxt,
                 KD_CONTROL_HEAD("VerTxt", 20, 202, 258, 15, false, false, 3),
                 T("Text", "Version"), I("TextAlign", 1), C("TextColor", 0, 0, 0),
                 B("Multiline", true), B("Enabled", true), B("Visible", true), T("HelpTag", ""),
                 B("AutoDeactivate", true), T("TextFont", "System"), B("Bold", false),
                 B("Italic", false), B("Underline", false), T("DataSource", ""),
                 T("DataField", ""), T("InitialParent", ""));

#undef KD_CONTROL_HEAD
#undef KD_WINDOW_LIST

}  // namespace shell::lists
