#include "Drawing.h"

#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

GdiFont::~GdiFont() {
  Restore();
  if (font_) DeleteObject(font_);
}

bool GdiFont::Create(const std::string& face, int height, int weight, bool italic, bool underline, int quality,
                     bool fixed, int angle) {
  Restore();
  if (font_) DeleteObject(font_);
  font_ = CreateFontA(height, 0, angle * 10, angle * 10, weight, italic, underline, FALSE, ANSI_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DWORD(quality),
                      fixed ? (FIXED_PITCH | FF_MODERN) : (VARIABLE_PITCH | FF_SWISS), face.c_str());
  return font_ != nullptr;
}

void GdiFont::Select(HDC hdc) {
  Restore();
  dc_ = hdc;
  replaced_ = SelectObject(hdc, font_);
}

void GdiFont::Restore() {
  if (dc_ && replaced_) SelectObject(dc_, replaced_);
  dc_ = nullptr;
  replaced_ = nullptr;
}

bool GdiFont::TextMetrics(TEXTMETRICA& metrics) const { return dc_ && GetTextMetricsA(dc_, &metrics); }

GdiPen::GdiPen(HDC hdc, COLORREF colour, int width, bool dashed, bool dotted) : dc_(hdc) {
  int style = PS_SOLID;
  if (dashed && dotted)
    style = PS_DASHDOT;
  else if (dashed)
    style = PS_DASH;
  else if (dotted)
    style = PS_DOT;
  pen_ = CreatePen(style, style == PS_SOLID ? width : 1, colour);
  if (pen_) replaced_ = SelectObject(hdc, pen_);
}

GdiPen::~GdiPen() {
  if (replaced_) SelectObject(dc_, replaced_);
  if (pen_) DeleteObject(pen_);
}

GdiBrush::~GdiBrush() {
  Restore();
  if (brush_) DeleteObject(brush_);
}

void GdiBrush::Select(HDC hdc) {
  Restore();
  dc_ = hdc;
  replaced_ = SelectObject(hdc, brush_);
}

void GdiBrush::Restore() {
  if (dc_ && replaced_) SelectObject(dc_, replaced_);
  dc_ = nullptr;
  replaced_ = nullptr;
}

DcHolder::~DcHolder() {
  if (!dc_) return;
  if (window_)
    ReleaseDC(window_, dc_);
  else
    DeleteDC(dc_);
}

MemoryBitmap::MemoryBitmap(HDC target, const RECT& rect) : target_(target), rect_(rect) {
  dc_ = CreateCompatibleDC(target);
  bitmap_ = CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top);
  replaced_ = SelectObject(dc_, bitmap_);
  SetViewportOrgEx(dc_, -rect.left, -rect.top, nullptr);
}

MemoryBitmap::~MemoryBitmap() {
  SetViewportOrgEx(dc_, 0, 0, nullptr);
  BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, dc_, 0, 0, SRCCOPY);
  SelectObject(dc_, replaced_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

namespace {

struct PngSource {
  const png_byte* bytes;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  PngSource* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (n > src->size - src->pos) png_error(png, "read past the end");
  std::memcpy(out, src->bytes + src->pos, n);
  src->pos += n;
}

// Runs libpng; its errors come back here through longjmp, so nothing with a
// destructor lives in this function.
bool ReadPng(png_structp png, png_infop info, PngSource* src) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, src, ReadFromMemory);
  png_read_png(png, info,
               PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_BGR | PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_STRIP_ALPHA |
                   PNG_TRANSFORM_GRAY_TO_RGB,
               nullptr);
  return true;
}

}  // namespace

HBITMAP PngToDib(const void* bytes, size_t size) {
  if (!bytes || size < 8 || png_sig_cmp(static_cast<png_const_bytep>(bytes), 0, 8) != 0) return nullptr;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  PngSource src = {static_cast<const png_byte*>(bytes), size, 0};
  HBITMAP result = nullptr;
  if (info && ReadPng(png, info, &src) && png_get_channels(png, info) == 3 && png_get_bit_depth(png, info) == 8) {
    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    png_bytepp rows = png_get_rows(png, info);
    uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    if (rows && width > 0 && height > 0 && width <= 0x7FFF0000u / 3 && stride * height <= 0x7FFFFFFFu) {
      std::vector<uint8_t> bits(size_t(stride * height));
      for (png_uint_32 y = 0; y < height; ++y)  // bottom-up rows
        std::memcpy(&bits[size_t(stride * (height - 1 - y))], rows[y], size_t(width) * 3);
      BITMAPINFO bi = {};
      bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
      bi.bmiHeader.biWidth = LONG(width);
      bi.bmiHeader.biHeight = LONG(height);
      bi.bmiHeader.biPlanes = 1;
      bi.bmiHeader.biBitCount = 24;
      bi.bmiHeader.biCompression = BI_RGB;
      HDC screen = GetDC(nullptr);
      result = CreateDIBitmap(screen, &bi.bmiHeader, CBM_INIT, bits.data(), &bi, DIB_RGB_COLORS);
      ReleaseDC(nullptr, screen);
    }
  }
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  return result;
}

Bitmap::Bitmap(const Bitmap& other) { *this = other; }

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this != &other) {
    Free();
    if (other.bitmap_) Attach(static_cast<HBITMAP>(CopyImage(other.bitmap_, IMAGE_BITMAP, 0, 0, 0)));
  }
  return *this;
}

void Bitmap::Free() {
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  width_ = height_ = 0;
}

bool Bitmap::Attach(HBITMAP bitmap) {
  Free();
  BITMAP info;
  if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  bitmap_ = bitmap;
  width_ = info.bmWidth;
  height_ = info.bmHeight;
  return true;
}

bool Bitmap::LoadFile(const std::string& path) {
  return Attach(static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
}

bool Bitmap::LoadResource(HINSTANCE module, UINT id) {
  return Attach(static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0)));
}

bool Bitmap::LoadPng(HINSTANCE module, UINT id) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) {
    Free();
    return false;
  }
  return Attach(PngToDib(bytes, SizeofResource(module, found)));
}

void Bitmap::Draw(HDC hdc, int x, int y) const {
  if (!bitmap_) return;
  DcHolder source(hdc);
  HGDIOBJ old = SelectObject(source.Handle(), bitmap_);
  BitBlt(hdc, x, y, width_, height_, source.Handle(), 0, 0, SRCCOPY);
  SelectObject(source.Handle(), old);
}

void Bitmap::DrawMasked(HDC hdc, int x, int y, COLORREF transparent) const {
  if (!bitmap_) return;
  DcHolder source(hdc), maskDc(hdc);
  HBITMAP mask = CreateBitmap(width_, height_, 1, 1, nullptr);
  HGDIOBJ oldSource = SelectObject(source.Handle(), bitmap_);
  HGDIOBJ oldMask = SelectObject(maskDc.Handle(), mask);
  // The mask is white where the picture has the transparent colour.
  COLORREF oldBack = SetBkColor(source.Handle(), transparent);
  BitBlt(maskDc.Handle(), 0, 0, width_, height_, source.Handle(), 0, 0, SRCCOPY);
  SetBkColor(source.Handle(), oldBack);
  // target = ((target ^ picture) & mask) ^ picture
  COLORREF oldText = SetTextColor(hdc, RGB(0, 0, 0));
  oldBack = SetBkColor(hdc, RGB(255, 255, 255));
  BitBlt(hdc, x, y, width_, height_, source.Handle(), 0, 0, SRCINVERT);
  BitBlt(hdc, x, y, width_, height_, maskDc.Handle(), 0, 0, SRCAND);
  BitBlt(hdc, x, y, width_, height_, source.Handle(), 0, 0, SRCINVERT);
  SetTextColor(hdc, oldText);
  SetBkColor(hdc, oldBack);
  SelectObject(maskDc.Handle(), oldMask);
  SelectObject(source.Handle(), oldSource);
  DeleteObject(mask);
}
