// Drawing toolkit: owning holders of GDI objects, off-screen bitmaps and pictures.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

class GdiFont {
 public:
  GdiFont() = default;
  GdiFont(const std::string& face, int height, int weight, bool italic = false, bool underline = false,
          int quality = DEFAULT_QUALITY, bool fixed = false, int angle = 0) {
    Create(face, height, weight, italic, underline, quality, fixed, angle);
  }
  ~GdiFont();
  GdiFont(const GdiFont&) = delete;
  GdiFont& operator=(const GdiFont&) = delete;

  // angle in degrees.
  bool Create(const std::string& face, int height, int weight, bool italic = false, bool underline = false,
              int quality = DEFAULT_QUALITY, bool fixed = false, int angle = 0);
  // Selects the font, first restoring what it replaced before.
  void Select(HDC hdc);
  void Restore();
  bool TextMetrics(TEXTMETRICA& metrics) const;
  HFONT Handle() const { return font_; }

 private:
  HFONT font_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ replaced_ = nullptr;
};

// A pen selected into the context at once.
class GdiPen {
 public:
  GdiPen(HDC hdc, COLORREF colour, int width = 1, bool dashed = false, bool dotted = false);
  ~GdiPen();
  GdiPen(const GdiPen&) = delete;
  GdiPen& operator=(const GdiPen&) = delete;
  HPEN Handle() const { return pen_; }

 private:
  HPEN pen_;
  HDC dc_;
  HGDIOBJ replaced_ = nullptr;
};

class GdiBrush {
 public:
  explicit GdiBrush(COLORREF colour) : brush_(CreateSolidBrush(colour)) {}
  ~GdiBrush();
  GdiBrush(const GdiBrush&) = delete;
  GdiBrush& operator=(const GdiBrush&) = delete;
  void Select(HDC hdc);
  void Restore();
  HBRUSH Handle() const { return brush_; }

 private:
  HBRUSH brush_;
  HDC dc_ = nullptr;
  HGDIOBJ replaced_ = nullptr;
};

// A device context of a window (released) or a memory context (deleted).
class DcHolder {
 public:
  explicit DcHolder(HWND window) : window_(window), dc_(GetDC(window)) {}
  explicit DcHolder(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~DcHolder();
  DcHolder(const DcHolder&) = delete;
  DcHolder& operator=(const DcHolder&) = delete;
  HDC Handle() const { return dc_; }

 private:
  HWND window_ = nullptr;
  HDC dc_;
};

// An off-screen copy of a rectangle of the target: drawing goes to Dc() in the target's
// coordinates, and the whole rectangle is copied onto the target when it is destroyed.
class MemoryBitmap {
 public:
  MemoryBitmap(HDC target, const RECT& rect);
  ~MemoryBitmap();
  MemoryBitmap(const MemoryBitmap&) = delete;
  MemoryBitmap& operator=(const MemoryBitmap&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HDC target_;
  RECT rect_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ replaced_;
};

// A 24-bit device-independent bitmap of a PNG held in memory; null when it cannot be decoded.
HBITMAP PngToDib(const void* bytes, size_t size);

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  ~Bitmap() { Free(); }

  bool LoadFile(const std::string& path);
  bool LoadResource(HINSTANCE module, UINT id);
  // A PNG held in an RCDATA resource.
  bool LoadPng(HINSTANCE module, UINT id);
  // Takes over a bitmap handle.
  bool Attach(HBITMAP bitmap);

  void Draw(HDC hdc, int x, int y) const;
  // Draws every pixel except those of the transparent colour.
  void DrawMasked(HDC hdc, int x, int y, COLORREF transparent) const;

  HBITMAP Handle() const { return bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  void Free();

  HBITMAP bitmap_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};
