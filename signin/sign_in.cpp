// The Connect handler: the one authenticated request to the account host and its outcome.
#include <cstdint>
#include <initializer_list>

#include "framework/http.h"
#include "framework/object.h"
#include "framework/display.h"
#include "framework/system.h"
#include "framework/runtime.h"
#include "framework/variant.h"
#include "shell/layout.h"
#include "signin/account.h"
#include "signin/kd_connect.h"
#include "signin/main_window.h"

namespace {

constexpr int32_t kTimeoutSeconds = 15;
constexpr int32_t kBase64LineWidth = 76;
constexpr const char* kUserAgent = "Keldara Launcher";

constexpr const char* kNoAnswerFirst = "Unable to contact Keldara Server";
constexpr const char* kUnexpectedFirst = "Unable to Connect";
constexpr const char* kFirewallLine =
    "This could be due to a Firewall blocking access to the Service";
constexpr const char* kCheckConnectionLine = "Please check your Internet Connection and Try Again";
constexpr const char* kSupportLead = "If the problem persists, please contact ";
constexpr const char* kIncorrectUsername = "Incorrect Username";
constexpr const char* kIncorrectPassword = "Incorrect Password";
constexpr const char* kUsernameNotFound = "Username not Found";

enum class Outcome {
  NoAnswer,
  IncorrectUsername,
  IncorrectPassword,
  UsernameNotFound,
  Success,
  Unexpected
};

constexpr const char* kUnknownUserMark = "404";

// The first test that holds chooses; the page is searched only for a 200 answer. The client
// searches the whole page as it arrives, also past the part it keeps.
Outcome ChooseOutcome(int16_t status, bool pageHasMark) {
  if (status == 0) return Outcome::NoAnswer;
  if (status == 200 && pageHasMark) return Outcome::IncorrectUsername;
  if (status == 401) return Outcome::IncorrectPassword;
  if (status == 403) return Outcome::UsernameNotFound;
  if (status == 501) return Outcome::Success;
  return Outcome::Unexpected;
}

// Lines joined by the platform's line end, with none after the last.
fw::String JoinLines(std::initializer_list<fw::String> lines) {
  fw::String text;
  bool first = true;
  for (const fw::String& line : lines) {
    if (!first) text = text + fw::EndOfLine();
    text = text + line;
    first = false;
  }
  return text;
}

// The failure text of an outcome. No answer and an unexpected answer ask the name service about
// the management host anew, each time.
fw::String FailureText(Outcome outcome, int16_t status) {
  switch (outcome) {
    case Outcome::IncorrectUsername:
      return kIncorrectUsername;
    case Outcome::IncorrectPassword:
      return kIncorrectPassword;
    case Outcome::UsernameNotFound:
      return kUsernameNotFound;
    case Outcome::NoAnswer:
    case Outcome::Unexpected:
      break;
    case Outcome::Success:
      return {};
  }
  const bool resolves = !fw::LookupIPAddress(fw::String(signin::kManagementHost)).IsEmpty();
  const fw::String support = fw::String(kSupportLead) + fw::String(signin::kSupportAddress);
  const fw::String code = fw::String("Code: ") + fw::Str(status);
  if (outcome == Outcome::NoAnswer) {
    return resolves ? JoinLines({kNoAnswerFirst, "", kFirewallLine, support, code})
                    : JoinLines({kNoAnswerFirst, "", kCheckConnectionLine, code});
  }
  return resolves ? JoinLines({kUnexpectedFirst, "", kFirewallLine, support, code})
                  : JoinLines({kUnexpectedFirst, "", support, code});
}

}  // namespace

void MainWindow::btn_connect_Action() {
  using shell::Find;
  // Held by this handler alone and released, never closed, when it returns.
  const fw::Ref<fw::HTTPSecureSocket> client = fw::RuntimeCheckCast<fw::HTTPSecureSocket>(
      fw::RuntimeNewObject(fw::HTTPSecureSocket::Record()), fw::HTTPSecureSocket::Record());
  fw::NotNil(client)->Constructor();

  Find<fw::TextField>(*this, "txt_user")->SetEnabled(false);
  Find<fw::TextField>(*this, "txt_pass")->SetEnabled(false);
  Find<fw::PushButton>(*this, "btn_connect")->SetEnabled(false);

  const fw::String account =
      signin::AccountName(Find<fw::TextField>(*this, "txt_user")->TextValue());

  Find<fw::ProgressWheel>(*this, "kdProgress")->SetVisible(true);
  Find<fw::ProgressWheel>(*this, "kdProgress")->SetEnabled(true);

  const fw::String host = signin::AccountHost(account);
  const fw::String secureAddress = signin::SecureAddress(host);

  const fw::String credential = fw::EncodeBase64(
      account + fw::String(":") + Find<fw::TextField>(*this, "txt_pass")->TextValue(),
      kBase64LineWidth);
  client->SetSecure(true);
  client->SetRequestHeader("User-Agent", kUserAgent);
  client->SetRequestHeader("Authorization", fw::String("Basic ") + credential);
  client->SetPageMarker(kUnknownUserMark);
  client->Get(signin::RequestAddress(host), kTimeoutSeconds);
  // Every test and the code line use the low 16 bits of the reported code, read as signed.
  const auto status = static_cast<int16_t>(client->HTTPStatusCode());
  const Outcome outcome = ChooseOutcome(status, client->PageHasMarker());

  if (outcome == Outcome::Success) {
    const fw::Ref<fw::VariantArray> params = fw::CreateArray(1, 4, 2);
    fw::NotNil(params)->SetItem(0, fw::StringToVariant(secureAddress));
    params->SetItem(1, fw::StringToVariant(account));
    params->SetItem(2, fw::StringToVariant(Find<fw::TextField>(*this, "txt_pass")->TextValue()));
    KD_Connect(params);
    if (Find<fw::CheckBox>(*this, "chk_control")->Value()) {
      fw::ShowURL(signin::ControlPageAddress(host));
    }
    fw::Quit(0);
    return;
  }

  fw::MsgBox(FailureText(outcome, status));
  Find<fw::ProgressWheel>(*this, "kdProgress")->SetVisible(false);
  Find<fw::TextField>(*this, "txt_user")->SetEnabled(true);
  Find<fw::TextField>(*this, "txt_pass")->SetEnabled(true);
  if (outcome == Outcome::NoAnswer || outcome == Outcome::Unexpected) {
    Find<fw::PushButton>(*this, "btn_connect")->SetEnabled(true);
  }
}
