// The sign-in window as it opens, its start-up checks and its input handlers.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "framework/text.h"
#include "tests/signin/signin_fixture.h"

namespace signin_test {
namespace {

const std::string kEol = fw::EndOfLine().Bytes();
const std::string kTooOld =
    "msgbox:Unfortunately the Keldara Launcher cannot work on this version of OS X, it is only "
    "compatible with OS X Tiger and above";
const std::string kLookup = "lookup:" KELDARA_MANAGEMENT_HOST;

TEST_F(SignInTest, OpensWithItsLaidOutState) {
  MainWindow& w = Open();
  EXPECT_EQ(std::pair(w.Width(), w.Height()), std::pair(473, 174));
  EXPECT_EQ(w.MenuBar(), KDMenuBar_KDMenuBar());
  EXPECT_EQ(MainWindow_MainWindow().get(), &w);  // the implicit instance, no second window
  EXPECT_FALSE(Connect()->Enabled());
  EXPECT_EQ(std::pair(Connect()->Left(), Get("btn_cancel")->Left()), std::pair(350, 260));
  EXPECT_FALSE(Wheel()->Visible() || Get("chk_pw")->Visible() || Link()->Visible());
  EXPECT_EQ(User()->Text("CueText").Bytes() + "|" + Pass()->Text("CueText").Bytes(),
            "Enter Keldara Username|Enter Keldara Password");
  EXPECT_TRUE(Pass()->Bool("Password") && !User()->Bool("Password"));
}

// Opens the window on a fresh platform adjusted by `setUp`; gives the platform's log.
template <class F>
std::vector<std::string> OpenLog(F setUp) {
  testing_support::PlatformScope scope;
  scope->executablePath = "/nonexistent/bin/exe";
  scope->hosts[KELDARA_MANAGEMENT_HOST] = "192.0.2.1";
  setUp(scope.platform());
  MainWindow_MainWindow();
  return scope->log;
}

TEST(SignInStartUp, RefusesSystemsBeforeTenFourAndStillChecksTheNetwork) {
  struct Row {
    int major, minor;
    bool refused;
  };
  for (Row r : {Row{10, 4, false}, Row{10, 5, false}, Row{11, 0, false}, Row{10, 3, true},
                Row{9, 9, true}, Row{0, 4, true}}) {
    std::vector<std::string> expected = {kLookup};
    if (r.refused) expected = {"beep", kTooOld, "quit", kLookup};
    EXPECT_EQ(OpenLog([&](auto& p) {
                p.gestalt = {{"sys1", r.major}, {"sys2", r.minor}};
              }),
              expected)
        << r.major << "." << r.minor;
  }
  // A failed query leaves 0 (too old); offline adds the warning after the refusal.
  EXPECT_EQ(OpenLog([](auto& p) {
              p.gestalt.erase("sys1");
              p.hosts.clear();
            }),
            (std::vector<std::string>{"beep", kTooOld, "quit", kLookup,
                                      "msgbox:Unable to contact Keldara Server" + kEol + kEol +
                                          "It looks like you are currently not online, Keldara "
                                          "Launcher may not be able to connect"}));
}

TEST_F(SignInTest, InputRuleFollowsEverySequenceOfEdits) {
  Open();
  struct Step {
    char field;
    const char* text;
    bool connect, link;
  };
  for (const Step& s :
       {Step{'u', "bob", false, true}, Step{'p', "pw", true, true}, Step{'u', "", false, false},
        Step{'u', "   ", true, true}, Step{'p', "", false, true}, Step{'p', "x", true, true},
        Step{'p', "", false, true}, Step{'U', "undo", false, false}}) {
    if (s.field == 'u') User()->UserEdit(s.text);
    if (s.field == 'p') Pass()->UserEdit(s.text);
    if (s.field == 'U') User()->Undo();
    EXPECT_EQ(Connect()->Enabled(), s.connect) << s.field << " '" << s.text << "'";
    EXPECT_EQ(Link()->Visible(), s.link) << s.field << " '" << s.text << "'";
  }
}

TEST_F(SignInTest, ControlBoxSwitchesConnectButtonAndLinkChangesLookOnHover) {
  Open();
  auto cancel = Get<fw::PushButton>("btn_cancel");
  for (bool ticked : {true, false, true, false}) {
    Get<fw::CheckBox>("chk_control")->Click();
    EXPECT_EQ(Connect()->Caption().Bytes(), ticked ? "Connect and Control" : "Connect");
    EXPECT_EQ(
        std::vector<int>({Connect()->Width(), Connect()->Left(), cancel->Left(), cancel->Width()}),
        ticked ? std::vector<int>({148, 284, 195, 80}) : std::vector<int>({80, 352, 263, 80}));
    EXPECT_FALSE(Connect()->Enabled());

    ticked ? Link()->MouseEnter() : Link()->MouseExit();
    EXPECT_EQ(Link()->ColorValue("TextColor"), (fw::Color{0, 0, uint8_t(ticked ? 255 : 0)}));
    EXPECT_EQ(Link()->Bool("Underline"), ticked);
    EXPECT_EQ(Link()->Cursor(),
              ticked ? fw::MouseCursor::FingerPointer : fw::MouseCursor::StandardPointer);
  }
}

TEST_F(SignInTest, LinkClickOpensControlPageOfTheAccountName) {
  Open();
  const std::string a40k(40000, 'a'), a64k(65536, 'A');
  std::string e20k;
  for (int i = 0; i < 20000; ++i) e20k += "\xC3\xA9";  // é: positions count characters
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"  Bob.Smith@Work  ", "bob"},
      {"ANNA", "anna"},
      {"joe@x", "joe"},
      {"jo.e", "jo"},
      {"x.y@z", "x"},
      {"@x", ""},
      {".x", ""},
      {"   ", ""},
      {"Bob Smith", "bob smith"},
      {"\xC3\x89LODIE.\xC3\x9C@x", "\xC3\xA9lodie"},
      {e20k + "@x.y", e20k},
      {a40k + "@x", a40k + "@x"},  // "@" at 40001 narrows below 0: no cut
      {a64k + "@x", ""}};          // "@" at 65537 narrows to 1
  for (const auto& [typed, account] : cases) {
    p().urls.clear();
    User()->SetText(typed);
    EXPECT_FALSE(Link()->MouseDown(1, 1));
    EXPECT_EQ(p().urls,
              std::vector<std::string>{"http://" + account + "." KELDARA_SERVICE_DOMAIN "/control"})
        << typed.substr(0, 40);
  }
}

TEST(SignInQuit, CancelAndCloseAskForExitZeroOnce) {
  for (bool cancelFirst : {true, false}) {
    testing_support::PlatformScope scope;
    scope->executablePath = "/nonexistent/bin/exe";
    fw::Ref<MainWindow> w = MainWindow_MainWindow();
    if (cancelFirst) {
      shell::Find<fw::PushButton>(*w, "btn_cancel")->Push();
      EXPECT_EQ(std::count(scope->log.begin(), scope->log.end(), "quit"), 1);
    }
    w->UserClose();
    EXPECT_EQ(std::count(scope->log.begin(), scope->log.end(), "quit"), 1);
    EXPECT_EQ(fw::RuntimeExit(), 0);
  }
}

}  // namespace
}  // namespace signin_test
