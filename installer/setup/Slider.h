// A painted slider (track and thumb, dragged with the mouse) and the floating volume window.
#pragma once
#include <functional>

#include "Forms.h"

enum class TSliderOrientation { slHoriz, slVertical };

class TSlider : public TControl {
 public:
  explicit TSlider(TWinControl* parent);
  int TrackWidth() const { return trackWidth_; }
  void SetTrackWidth(int value);
  TColor TrackColor() const { return trackColor_; }
  void SetTrackColor(TColor value);
  int ThumbHeight() const { return thumbHeight_; }
  void SetThumbHeight(int value);
  TColor ThumbColor() const { return thumbColor_; }
  void SetThumbColor(TColor value);
  TSliderOrientation Orientation() const { return orientation_; }
  void SetOrientation(TSliderOrientation value);
  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position() const { return position_; }
  void SetPosition(int value);
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool value);
  // The thumb's rectangle in client pixels.
  RECT ThumbRect() const;
  std::function<void(TSlider*)> OnValueChange;

 protected:
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void Paint(HDC dc);
  int TrackLength() const;
  int trackWidth_ = 10;
  TColor trackColor_;
  int thumbHeight_ = 20;
  TColor thumbColor_;
  TSliderOrientation orientation_ = TSliderOrientation::slVertical;
  int min_ = 0, max_ = 100, position_ = 0;
  bool ctl3d_ = true;
  bool dragging_ = false;
  POINT dragPoint_ = {};
  int dragPosition_ = 0;
};

// The small "Volume" window: a vertical slider that follows the music volume and sets it.
class TSliderForm : public TForm {
 public:
  explicit TSliderForm(TForm* owner);
  TSlider* slider1;

 private:
  TTimer* sliderTimer_;
};

class TSDialogForm;
// The script's background music during the copy, with its fixed or floating volume slider;
// false when there is no music to play.
bool StartBackgroundMusic(TSDialogForm& wizard);
// Takes the slider away and fades the music out.
void StopBackgroundMusic(TSDialogForm& wizard);
TSlider* FixedVolumeSlider();
TSliderForm* FloatingVolumeSlider();
