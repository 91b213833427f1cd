// Forms and controls of the engines: a small class layer over plain Win32 windows.
// Every control is a real child window; the objects find themselves from their window
// handles, and a parent hands the notifications of its children back to them.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// Colour values: low byte red, then green, then blue; with the top bit set the low byte
// names a system colour (COLOR_...).
typedef unsigned int TColor;
constexpr TColor SysColor(int index) { return 0x80000000u | unsigned(index); }
COLORREF ColorToRGB(TColor color);

bool IsRightToLeftCharset(int charset);  // Hebrew (177) and Arabic (178)

// Font styles, combined as bits.
enum : unsigned { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

class TFont {
 public:
  TFont();
  TFont(const TFont& other);
  TFont& operator=(const TFont& other);
  ~TFont();

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  int Size() const { return size_; }  // points
  void SetSize(int points);
  int Charset() const { return charset_; }
  void SetCharset(int charset);
  unsigned Style() const { return style_; }
  void SetStyle(unsigned style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // Copies the description (not the change handler) and reports one change.
  void Assign(const TFont& other);

  HFONT Handle();  // made on demand, remade after a change
  std::function<void()> OnChange;

 private:
  void Changed();
  std::string name_ = "MS Sans Serif";
  int size_ = 8;
  int charset_ = DEFAULT_CHARSET;
  unsigned style_ = 0;
  TColor color_ = SysColor(COLOR_WINDOWTEXT);
  HFONT handle_ = nullptr;
};

// Drawing surface over a device context (window, memory bitmap).
class TCanvas {
 public:
  explicit TCanvas(HDC dc = nullptr);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() const { return dc_; }
  void SetHandle(HDC dc);
  TFont& Font() { return font_; }
  TColor brushColor = SysColor(COLOR_WINDOW);
  TColor penColor = 0;

  void FillRect(const RECT& rc);
  void TextAt(int x, int y, const std::string& text);
  int TextWidth(const std::string& text);
  int TextHeight(const std::string& text);
  void SetTransparentText(bool on);
  void SetRightToLeftReading(bool on);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);

 private:
  void SelectFont();
  HDC dc_;
  TFont font_;
  HGDIOBJ oldFont_ = nullptr;
};

class TWinControl;
class TForm;

// Window procedure of every control; registers our own window classes with it.
LRESULT CALLBACK ControlProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
bool RegisterFormsClass(const std::string& name, UINT style);

// Base of every control: one child window (or a form's top-level window).
class TControl {
 public:
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  static TControl* FromHandle(HWND wnd);
  HWND Handle() const { return wnd_; }
  TWinControl* Parent() const { return parent_; }
  TForm* Form() const { return form_; }  // the form it stands on (itself for a form)

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  virtual void SetBounds(int left, int top, int width, int height);
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  int ClientWidth() const;
  int ClientHeight() const;

  bool Visible() const;
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const;
  void SetEnabled(bool enabled);
  std::string Caption() const;
  virtual void SetCaption(const std::string& text);
  bool TabStop() const;
  void SetTabStop(bool on);
  int TabOrder() const;  // place among the siblings
  void SetTabOrder(int order);
  void BringToFront();
  void SendToBack();
  void SetFocus();
  bool Focused() const;
  void Invalidate();

  // Font: a control follows its parent's font until its own is changed.
  TFont& Font() { return font_; }
  bool ParentFont() const { return parentFont_; }
  // Colour: a control follows its parent's colour until it is given one.
  TColor Color() const;
  virtual void SetColor(TColor color);
  bool RightToLeft() const { return rightToLeft_; }
  virtual void SetRightToLeft(bool on);
  void SetCursor(LPCSTR systemCursor);  // e.g. IDC_HAND; null: the class cursor
  // Text shown in a tip window while the mouse rests on the control; empty: none.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  // Lets mouse hit tests fall through to the parent (a form dragged by its panels).
  void SetHitTestTransparent(bool on) { hitTransparent_ = on; }
  HBRUSH ColorBrush();  // brush of the effective colour, kept by the control

  int tag = 0;
  std::function<void(TControl*)> OnClick;
  std::function<void(TControl*)> OnMouseEnter;
  std::function<void(TControl*)> OnMouseLeave;
  // button: 0 left, 1 right, 2 middle; x, y in client pixels
  std::function<void(TControl*, int button, int x, int y)> OnMouseDown;
  std::function<void(TControl*, int button, int x, int y)> OnMouseUp;
  std::function<void(TControl*, int x, int y)> OnMouseMove;

 protected:
  explicit TControl(TWinControl* parent);
  // Makes the window and ties it to the object; own classes get the object at WM_NCCREATE.
  void CreateHandle(const char* cls, const std::string& text, DWORD style, DWORD exStyle, HWND parentWnd = nullptr);
  void ModifyStyle(DWORD remove, DWORD add);
  void ModifyExStyle(DWORD remove, DWORD add);

  // Hooks; Message runs first and may take the message.
  virtual bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // Takes WM_ERASEBKGND: the client area in the control's colour.
  bool EraseBackground(UINT msg, WPARAM wp, LRESULT& result);
  // For a control that paints all of itself: no erase, and WM_PAINT and WM_PRINTCLIENT
  // go to paint. False for other messages.
  bool PaintMessage(UINT msg, WPARAM wp, LRESULT& result, const std::function<void(HDC)>& paint);
  virtual void Command(WORD code) { (void)code; }
  virtual bool Notify(NMHDR* hdr, LRESULT& result);
  virtual HBRUSH CtlColor(HDC dc);
  virtual void DrawItem(DRAWITEMSTRUCT* dis) { (void)dis; }
  virtual void FontChanged();
  LRESULT DefaultMessage(UINT msg, WPARAM wp, LPARAM lp);
  void ParentFontChanged(const TFont& font);

  HWND wnd_ = nullptr;
  TWinControl* parent_;
  TForm* form_ = nullptr;
  TFont font_;
  bool parentFont_ = true;
  bool colorSet_ = false;
  TColor color_ = SysColor(COLOR_BTNFACE);
  bool rightToLeft_ = false;

 private:
  friend class TWinControl;
  friend LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void Attach(HWND wnd);
  void Detach();

  WNDPROC oldProc_ = nullptr;
  bool tracking_ = false;
  bool hitTransparent_ = false;
  HCURSOR cursor_ = nullptr;
  std::string hint_;
  HBRUSH brush_ = nullptr;
  COLORREF brushRgb_ = 0;
  bool settingFont_ = false;
};

// A control that holds other controls; it owns and frees them.
class TWinControl : public TControl {
 public:
  ~TWinControl() override;
  const std::vector<TControl*>& Controls() const { return children_; }
  void SetColor(TColor color) override;
  void SetRightToLeft(bool on) override;
  // Every descendant, depth first.
  std::vector<TControl*> AllControls() const;

 protected:
  explicit TWinControl(TWinControl* parent) : TControl(parent) {}
  void FontChanged() override;
  void DeleteChildren();

 private:
  friend class TControl;
  std::vector<TControl*> children_;
};

enum class FormBorder { None, Single, Dialog, Sizeable };
// What closing does: nothing, hide the form, or free it (forms made with new only).
enum class CloseAction { None, Hide, Free };

// A top-level window with its own window class name. Build the controls in the derived
// class's constructor and make forms with TForm::Create, which then runs the create event.
class TForm : public TWinControl {
 public:
  TForm(const std::string& className, TForm* owner = nullptr, FormBorder border = FormBorder::Dialog);
  ~TForm() override;

  template <class F, class... A>
  static F* Create(A&&... args) {
    F* form = new F(static_cast<A&&>(args)...);
    form->DoCreate();
    return form;
  }

  TForm* Owner() const { return owner_; }
  void SetClientSize(int width, int height);
  void SetCentered(bool on) { centered_ = on; }  // centred on the screen when shown
  void SetVisible(bool visible) override;
  int ShowModal();
  bool Modal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  // Runs the close query and the close event; the window is hidden or released, never
  // destroyed while a handler of the form is still running.
  void Close();
  void Release();  // frees the form once no handler of it runs any more
  void SetStayOnTop(bool on);
  TCanvas& Canvas() { return canvas_; }

  std::function<void(TForm*)> OnCreate;
  std::function<void(TForm*)> OnShow;
  std::function<void(TForm*, bool& canClose)> OnCloseQuery;
  std::function<void(TForm*, CloseAction& action)> OnClose;
  std::function<void(TForm*, TCanvas& canvas)> OnPaint;

  void DoCreate();

 protected:
  virtual void DoShow();
  virtual bool DoCloseQuery();
  virtual void DoClose(CloseAction& action);
  virtual void DoPaint(TCanvas& canvas);
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  friend class TControl;
  bool CloseNow();  // query + close event; false when refused
  void PostRelease();

  TForm* owner_;
  bool centered_ = false;
  bool placed_ = false;
  bool modal_ = false;
  bool closing_ = false;
  int modalResult_ = 0;
  int busy_ = 0;  // handlers of this form (and its controls) now on the stack
  bool releasePending_ = false;
  bool destroying_ = false;
  HWND hintWnd_ = nullptr;  // the tip window of the controls' hints, made on demand
  TCanvas canvas_;
  std::vector<class TTimer*> timers_;
  friend class TTimer;
  HWND HintWindow();
  void DialogKey(WORD id);  // Enter (IDOK) or Escape (IDCANCEL)
  void Enter() { ++busy_; }
  void Leave();
};

// The program: its main form and message loop.
class TApplication {
 public:
  TForm* MainForm() const { return mainForm_; }
  void SetMainForm(TForm* form) { mainForm_ = form; }
  template <class F, class... A>
  F* CreateForm(A&&... args) {
    F* form = TForm::Create<F>(static_cast<A&&>(args)...);
    if (!mainForm_) mainForm_ = form;
    return form;
  }
  // Shows the main form and runs the loop until the quit message; returns its code.
  int Run();
  // Handles every waiting message; a quit message is put back for the loop that owns it.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }
  void Dispatch(MSG& msg);

 private:
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
};
TApplication& Application();

// A window timer; it belongs to a form, which frees it (one on the stack must end first).
class TTimer {
 public:
  explicit TTimer(TForm* owner, unsigned interval = 1000);
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  std::function<void(TTimer*)> OnTimer;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
  void Restart();
  TForm* owner_;
  unsigned interval_;
  bool enabled_ = false;
  UINT_PTR id_ = 0;
};

enum class TextAlign { Left, Center, Right };

class TLabel : public TControl {
 public:
  explicit TLabel(TWinControl* parent, const std::string& caption = std::string());
  void SetTransparent(bool on);
  bool Transparent() const { return transparent_; }
  void SetAlignment(TextAlign align);
  void SetWordWrap(bool on);
  void SetCaption(const std::string& text) override;
  void SetRightToLeft(bool on) override;

 protected:
  void Command(WORD code) override;
  HBRUSH CtlColor(HDC dc) override;

 private:
  void ApplyStyle();
  bool transparent_ = false;
  bool wordWrap_ = false;
  TextAlign align_ = TextAlign::Left;
};

class TEdit : public TControl {
 public:
  explicit TEdit(TWinControl* parent, const std::string& text = std::string());
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  void SetReadOnly(bool on);
  std::function<void(TEdit*)> OnChange;

 protected:
  void Command(WORD code) override;
  HBRUSH CtlColor(HDC dc) override;
};

class TButton : public TControl {
 public:
  explicit TButton(TWinControl* parent, const std::string& caption = std::string());
  // A press sets the form's modal result to this value (0: none).
  int modalResult = 0;
  // Enter presses the focused button, else the form's visible, enabled default button;
  // Escape presses its visible, enabled cancel button.
  void SetDefault(bool on);
  bool Default() const { return default_; }
  void SetCancel(bool on) { cancel_ = on; }
  bool Cancel() const { return cancel_; }
  void Click();  // does what a press does

 protected:
  void Command(WORD code) override;

 private:
  bool default_ = false, cancel_ = false;
};

enum class ScrollBars { None, Vertical, Both };

// Multi-line text (a trace or a log), lines ending with CR LF; without scroll bars or with
// the vertical one only, long lines wrap.
class TMemo : public TControl {
 public:
  explicit TMemo(TWinControl* parent, ScrollBars bars = ScrollBars::Both);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text);  // a lone CR or LF also ends a line
  void Clear() { SetText(std::string()); }
  void AddLine(const std::string& line);  // appended and scrolled into view
  std::vector<std::string> Lines() const;
  bool ReadOnly() const;
  void SetReadOnly(bool on);
  ScrollBars Scrolls() const { return scrolls_; }

 private:
  ScrollBars scrolls_;
};

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(TWinControl* parent, const std::string& caption = std::string());
  bool Checked() const;
  virtual void SetChecked(bool on);
  void SetRightToLeft(bool on) override;

 protected:
  TCheckBox(TWinControl* parent, const std::string& caption, DWORD buttonStyle);
  void Command(WORD code) override;
  HBRUSH CtlColor(HDC dc) override;
};

// Radio buttons with the same parent form one group.
class TRadioButton : public TCheckBox {
 public:
  explicit TRadioButton(TWinControl* parent, const std::string& caption = std::string());
  void SetChecked(bool on) override;

 protected:
  void Command(WORD code) override;
};

class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TWinControl* parent, const std::string& caption = std::string());

 protected:
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  HBRUSH CtlColor(HDC dc) override;
};

enum class BevelShape { Box, Frame, TopLine, BottomLine, LeftLine, RightLine };

class TBevel : public TControl {
 public:
  explicit TBevel(TWinControl* parent, BevelShape shape = BevelShape::Box, bool raised = false);
  void SetShape(BevelShape shape);

 protected:
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  BevelShape shape_;
  bool raised_;
};

enum class PanelBevel { None, Raised, Lowered };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TWinControl* parent, const std::string& caption = std::string());
  void SetBevel(PanelBevel bevel);
  void SetSingleBorder(bool on);
  void SetCaption(const std::string& text) override;

 protected:
  TPanel(TWinControl* parent, const std::string& caption, bool visible);
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool showCaption_ = true;

 private:
  PanelBevel bevel_ = PanelBevel::None;
};

// A picture: a bitmap loaded from a BMP file or drawn through its canvas.
class TImage : public TControl {
 public:
  explicit TImage(TWinControl* parent);
  ~TImage() override;
  // Loads a BMP file; on failure the old picture stays and the answer is false.
  bool LoadFromFile(const std::string& path);
  // A blank (white) picture of that size, to be drawn on.
  void SetPictureSize(int width, int height);
  bool Empty() const { return bitmap_ == nullptr; }
  int PictureWidth() const { return picW_; }
  int PictureHeight() const { return picH_; }
  TCanvas& Canvas();  // drawing on it repaints the control
  void SetStretch(bool on);
  void SetCenter(bool on);
  // The picture's bottom-left pixel colour lets the background show through.
  void SetTransparent(bool on);
  // Paints the control's face into a device context of the control's size.
  void PaintTo(HDC dc);

 protected:
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void Command(WORD code) override;

 private:
  void TakeBitmap(HBITMAP bmp);
  HBITMAP bitmap_ = nullptr;
  HDC memDc_ = nullptr;
  HGDIOBJ oldBmp_ = nullptr;
  int picW_ = 0, picH_ = 0;
  bool stretch_ = false, center_ = false, transparent_ = false;
  TCanvas canvas_;
};

class TProgressBar : public TControl {
 public:
  explicit TProgressBar(TWinControl* parent);
  void SetRange(int min, int max);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const;
  void SetPosition(int pos);

 private:
  int min_ = 0, max_ = 100;
};

// One-part status line along the bottom of its parent.
class TStatusBar : public TControl {
 public:
  explicit TStatusBar(TWinControl* parent);
  std::string Text() const;
  void SetText(const std::string& text);
};

class TPageControl;

class TTabSheet : public TPanel {
 public:
  explicit TTabSheet(TPageControl* pages, const std::string& caption = std::string());
  ~TTabSheet() override;
  TPageControl* PageControl() const { return pages_; }
  int PageIndex() const;

 private:
  friend class TPageControl;
  TPageControl* pages_;
};

// Pages laid over each other; only the active one shows. It draws no tabs: pages are
// switched from code.
class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TWinControl* parent);
  ~TPageControl() override;
  int PageCount() const { return int(pages_.size()); }
  TTabSheet* Page(int index) const;
  TTabSheet* ActivePage() const { return active_; }
  int ActivePageIndex() const;
  void SetActivePage(TTabSheet* page);
  void SetActivePageIndex(int index);
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  friend class TTabSheet;
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
};

// Owner-drawn list with a check box on every line. Each line's text may hold columns
// separated by tabs; see SetColumns. A line's item data reads 1 when checked, +2 when disabled.
class TCheckListBox : public TControl {
 public:
  explicit TCheckListBox(TWinControl* parent);
  int AddItem(const std::string& text, bool checked = false, bool enabled = true);
  void Clear();
  int Count() const { return int(items_.size()); }
  std::string ItemText(int index) const;
  bool Checked(int index) const;
  void SetChecked(int index, bool on);
  bool ItemEnabled(int index) const;
  void SetItemEnabled(int index, bool on);
  int ItemIndex() const;
  void SetItemIndex(int index);
  RECT ItemRect(int index) const;
  RECT CheckRect(int index) const;  // the check box of a line, in client pixels
  // Column positions after the check box: a value >= 0 is a left edge from the text start,
  // a negative one right-aligns the column that far from the right edge. Default {2, -2}.
  void SetColumns(const std::vector<int>& columns);
  std::function<void(TCheckListBox*, int index)> OnClickCheck;
  std::function<void(TCheckListBox*)> OnSelect;

 protected:
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void Command(WORD code) override;
  void DrawItem(DRAWITEMSTRUCT* dis) override;
  void FontChanged() override;

 private:
  struct Item {
    bool checked, enabled;
  };
  void Toggle(int index);
  void PublishState(int index);
  std::vector<Item> items_;
  std::vector<int> columns_ = {2, -2};
};

// Rich-text control ("RICHEDIT" of RICHED32.DLL), holding plain text or an RTF document.
class TRichEdit : public TControl {
 public:
  explicit TRichEdit(TWinControl* parent, bool rightToLeft = false);
  std::string Text() const;
  void SetText(const std::string& text);
  void Clear();
  bool LoadRtf(const std::string& rtf);
  // Plain text or RTF from a file; false (and an empty control) when it cannot be read.
  // Plain text is read in the code page given (CP_ACP: the system's).
  bool LoadFromFile(const std::string& path, bool plainText, unsigned codePage = CP_ACP);
  bool LoadText(const std::string& bytes, bool plainText, unsigned codePage = CP_ACP);
  // The whole text converted to a code page.
  std::string TextInCodePage(unsigned codePage) const;
  // Gives every character (and text typed later) the charset, keeping the other attributes.
  void SetDocumentCharset(int charset);
  // Right-to-left reading and right alignment of every paragraph, or left-to-right.
  void SetReadingRightToLeft(bool on);
  bool ReadOnly() const;
  void SetReadOnly(bool on);
  bool Border() const;
  void SetBorder(bool on);
  ScrollBars Scrolls() const { return scrolls_; }
  void SetScrollBars(ScrollBars bars);
  void SetColor(TColor color) override;
  int TextLength() const;
  std::string TextRange(int start, int length) const;
  void SetSelection(int start, int length);
  int SelStart() const;
  int SelLength() const;
  // Attributes of the selection (or of the character at the caret).
  struct CharAttributes {
    bool bold = false, underline = false;
    COLORREF color = 0;
  };
  CharAttributes SelAttributes() const;
  void SetSelBold(bool on);
  int CharFromPos(int x, int y) const;
  POINT PosFromChar(int index) const;

 private:
  ScrollBars scrolls_ = ScrollBars::None;
};
