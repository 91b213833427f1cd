// The engines' own message box: a top-most window with a rich-text body, an icon band
// and up to three buttons with translatable captions.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

extern const char* const kDefaultBtnText;  // "|OK|Cancel|Yes|No|Abort|Retry|Ignore|"

// Owner values of ShowMessageBoxEx with a special meaning.
#define KMSG_OWNER_TITLED ((HWND)0)  // wrap the text as a titled message, use the active window
#define KMSG_OWNER_ACTIVE ((HWND)1)  // use the active window, no wrapping

// Shows the box and returns the id of the pressed button (1 OK, 2 Cancel, 3 Abort, 4 Retry,
// 5 Ignore, 6 Yes, 7 No), or 0 when it was closed from its title bar.
int ShowMsgBox(HWND owner, const std::string& text, const std::string& caption, DWORD flags,
               const std::string& btnText);
int ShowMessageBoxEx(HWND owner, const std::string& text, const std::string& caption,
                     const std::string& btnText, int charset, DWORD flags);

void ErrorBox(HWND owner, const std::string& text, const std::string& caption,
              const std::string& btnText, int charset);
void WarningBox(HWND owner, const std::string& text, const std::string& caption,
                const std::string& btnText, int charset);
bool AskYesNo(HWND owner, const std::string& text, const std::string& caption,
              const std::string& btnText, int charset);
bool AskOkCancel(HWND owner, const std::string& text, const std::string& caption,
                 const std::string& btnText, int charset);

void PumpOneMessage();
void PumpMessagesFor(DWORD ms);
void PumpMessagesSleeping(DWORD ms);

// Shown text and bold stretches (start, length) of a message body after its tags are
// taken out; exposed for tests.
struct MsgBodyText {
  std::string text;
  struct Stretch { int start, length; };
  std::vector<Stretch> bold;
};
MsgBodyText ParseMsgBody(const std::string& raw);
