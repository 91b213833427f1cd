// The slide show during the copy: pictures and text files stepped through in a borderless
// window, placed, coloured and paced by one descriptor.
#pragma once
#include <string>
#include <vector>

#include "Forms.h"
#include "Grafics.h"

// Item of a "|"-separated setting (no leading delimiter), trimmed.
std::string SettingItem(const std::string& setting, int index);
// The font name, or "Arial" when the system has no such font.
std::string FontOrArial(const std::string& name);

struct TBillboardData {
  bool waitForEnd = false, dialogFrame = false, sizeToPicture = false, gradient = false, transparent = false;
  std::string position = "Center";
  int dx = 0, dy = 0;
  TColor topColor = 0, bottomColor = 0xFF0000;
  std::string fontName;
  int fontSize = 14;
  TColor fontColor = 0xFFFFFF;
  int charset = 1;
  unsigned fontStyle = 0;
  int width = 0, height = 0, margin = 0;
  int pace = 1;  // one tick every pace x 500 ms; never below 1
};
// Reads the descriptor; an empty one is taken from (and removed off) the front of the slides.
TBillboardData ReadBillboardData(std::string descriptor, std::vector<std::string>& slides);

class TBillboardForm : public TForm {
 public:
  TBillboardForm(TForm* owner, const std::string& descriptor, const std::vector<std::string>& slides,
                 bool fromProgramFolder);
  ~TBillboardForm() override;
  const TBillboardData& Data() const { return data_; }
  // One tick: loads the next slide, or shows the loaded one.
  void Step();
  int SlideIndex() const { return index_; }
  bool Running() const { return running_; }
  bool PictureMode() const { return pictureMode_; }
  const std::vector<std::string>& ShownLines() const { return shown_.lines; }
  void ShowCloseButton();
  TImage* image1;
  TButton* button1;

 protected:
  void DoShow() override;
  void DoPaint(TCanvas& canvas) override;
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void LoadSlide();
  void LayoutSlide();
  TBillboardData data_;
  std::vector<std::string> slides_;
  bool fromProgramFolder_;
  int index_ = 0;
  bool loadPhase_ = true;
  bool pictureMode_ = false;
  bool running_ = false;
  TTextLines shown_, loaded_;
  std::string picturePath_;
  TTimer* timer1_;
};

// The current slide show (one at a time).
TBillboardForm* CurrentBillboard();
TBillboardForm* ShowBillboard(TForm* owner, const std::string& descriptor, const std::vector<std::string>& slides,
                              bool showCloseButton, bool fromProgramFolder);
void FreeBillboard();
// Shows the Close button and waits while the show still runs.
void WaitBillboardEnd();
