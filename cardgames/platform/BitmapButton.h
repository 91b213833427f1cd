// The owner-drawn push or toggle button of the program's windows ("RwButtonClass").
#pragma once
#include <windows.h>

#include <string>

#include "Drawing.h"
#include "Window.h"

class BitmapButton {
 public:
  enum Behaviour { Push, Toggle };
  enum State { Normal, Pressed, Hover, Disabled };

  // Registers the window class once; raises std::runtime_error("Registration failure").
  static void RegisterButtonClass(HINSTANCE instance);

  BitmapButton(const std::string& text, int commandId);
  ~BitmapButton();
  BitmapButton(const BitmapButton&) = delete;
  BitmapButton& operator=(const BitmapButton&) = delete;

  // A visible child window with the button's command id; null on failure.
  HWND Create(HWND parent, int x, int y, int width, int height);
  HWND Window() const { return window_; }

  void SetText(const std::string& text);
  void SetColours(COLORREF face, COLORREF text, COLORREF disabledText);
  void SetFont(const std::string& face, int height, int weight);
  // A picture drawn in place of the face colour in one state; the button keeps a copy.
  void SetPicture(State state, const Bitmap& picture);
  // borderStyle 0 none, 1 grey frame, 2 black frame; bevelStyle 0 flat, 1 raised.
  void SetFrame(int borderStyle, int bevelStyle, int bevelWidth);
  void SetBehaviour(Behaviour behaviour) { behaviour_ = behaviour; }
  void SetDefault(bool on) { isDefault_ = on; }
  void SetCancel(bool on) { isCancel_ = on; }
  void Enable(bool on);

  bool IsEnabled() const { return enabled_; }
  bool IsPressed() const { return pressed_; }
  bool IsHover() const { return hover_; }
  bool IsChecked() const { return checked_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT OnNcCreate(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT OnPaint(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT OnButtonDown(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT OnMouseMove(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT OnButtonUp(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT OnCaptureChanged(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT OnKeyDown(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT OnDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static const MessageMapEntry messages_[];
  static const MessageMap messageMap_;

  bool Inside(LPARAM point) const;
  void Paint(HDC hdc) const;
  void SendCommand();
  void Redraw() const;

  std::string text_;
  int commandId_;
  COLORREF face_ = 0xC0C0C0;
  COLORREF disabledText_ = 0x808080;
  COLORREF textColour_ = 0x000000;
  GdiFont font_;
  Bitmap pictures_[4];
  bool enabled_ = true;
  bool isDefault_ = false;
  bool isCancel_ = false;
  int borderStyle_ = 1;
  int bevelStyle_ = 1;
  int bevelWidth_ = 2;
  Behaviour behaviour_ = Push;
  bool pressed_ = false;
  bool hover_ = false;
  bool checked_ = false;
  HWND window_ = nullptr;
};
