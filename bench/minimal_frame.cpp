// The baseline of the start-up benchmark: a wxWidgets program that maps one empty frame with the
// sign-in window's content size, and does nothing else.
#include <wx/wx.h>

class MinimalApp : public wxApp {
 public:
  bool OnInit() override {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Minimal Frame");
    frame->SetClientSize(473, 174);
    frame->Show();
    return true;
  }
};

wxIMPLEMENT_APP(MinimalApp);
