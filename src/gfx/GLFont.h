#pragma once
#include <string>
#include <cstddef>
#include <cstdint>

#include "framework/ZBObject.h"

class FTFont;

// A rectangle in logical coordinates.
struct GLTextBox {
  int left, top, right, bottom;
};

// Single-line text with FTGL over FreeType, from the one TrueType face of the client.
// Text arrives as UTF-8 (or wide strings), is pre-shaped for Thai (ThaiShaper.h) and
// drawn in logical coordinates inside a box with alignment flags.
class GLFont : public ZBObject {
 public:
  // Alignment flags.
  enum : int {
    kAlignCentre = 1,   // centre horizontally
    kAlignRight = 2,    // right-align (when kAlignCentre is clear)
    kAlignVCentre = 4,  // centre vertically
    kAlignBottom = 8,   // bottom-align (when kAlignVCentre is clear)
  };
  enum : int { kOutline = 0, kPolygon = 1, kTexture = 2, kBuffer = 3 };
  // Wide-character room of the conversion buffers; longer texts draw as empty.
  static constexpr size_t kMaxChars = 255;
  static constexpr const char* kFontPath = "./raw/Font_Bold_sum.ttf";

  GLFont(int screen_width, int screen_height);
  ~GLFont() override;

  // Loads the face as an FTGL font of `type` (0..3) from the font file, or from the
  // resource package when from_package is set.
  void Initialize(int type, void* from_package);
  // Cached size change: stores trunc(size * 0.94) and applies it, unless size equals
  // the stored size.
  void SetFaceSize(int size);
  // Sets the FTGL face size directly at the window's resolution. Costs nothing when
  // the face already has that size at that resolution: each size in use keeps its own
  // FTGL font (and with it its glyph cache), up to kSizedFaces of them.
  void ApplyFaceSize(int size);

  GLTextBox MeasureText(const char* utf8);
  GLTextBox MeasureTextW(const wchar_t* text);
  void DrawText(const char* utf8, int flags, const GLTextBox& box, const float colour[4]);
  void DrawTextAt(float x, float y, const char* utf8, int flags, const float colour[4]);
  void DrawTextW(int flags, const GLTextBox& box, const wchar_t* text, const float colour[4]);
  void RenderText(const wchar_t* text, float x, float y, const float colour[4]);
  // Draws a short ASCII text that changes often (a countdown, a clock) in the box one
  // character at a time. The buffer face keeps only the last 16 strings it drew as
  // textures: a counting text drawn whole would miss that cache at each new value and
  // rasterise again, allocating, while its few distinct characters stay cached for
  // good. Digits and separators do not kern, so it looks the same as DrawText.
  void DrawTicking(const char* ascii, int flags, const GLTextBox& box, const float colour[4]);

  // Recreates the FTGL font from the kept package bytes (package fonts only); used by
  // the surface's reload. Returns 1 when the font was recreated.
  int ReloadFromPackage();
  // The resolution ApplyFaceSize passes to FTGL at the current window scale.
  int ScaledResolution() const;

  int FaceSize() const { return m_face_size; }
  bool IsInitialised() const { return m_initialised != 0; }
  // The FTGL font of the size applied last.
  FTFont* Ftgl() const { return m_font; }
  // How many times FTGL was asked to (re)size a face, over the font's life: a size
  // change that found its face already sized does not count.
  int FtglResizeCount() const { return m_ftgl_resizes; }
  // FTGL fonts kept, one per applied size (and resolution).
  static constexpr int kSizedFaces = 8;

  // Bytes of a resource package entry (malloc'd; the font keeps them). Installed by
  // the resource package; without it package loads find nothing.
  using PackageReadFn = int (*)(void* package, const char* name, uint8_t** data, size_t* size);
  static void SetPackageReader(PackageReadFn fn);

  char m_name[255] = {};
  // The face file as found at Initialize, made absolute: faces for further sizes are
  // opened later, when the working folder may have changed.
  std::string m_file_path;
  FTFont* m_font = nullptr;
  int m_face_size = 10;
  int m_type = kBuffer;
  int m_vertical_mode = 0;
  int m_screen_width = 0;
  int m_screen_height = 0;
  int m_initialised = 0;
  uint8_t* m_package_buffer = nullptr;
  int m_package_size = 0;
  int m_resolution = 72;
  float m_scale_x = 1.0f;
  float m_scale_y = 1.0f;
  float m_letter_spacing = 0.0f;
  float m_line_spacing = 0.0f;

 private:
  // One FTGL font sized once; `last_use` orders them for reuse.
  struct SizedFace {
    FTFont* font = nullptr;
    unsigned size = 0;
    unsigned resolution = 0;
    unsigned last_use = 0;
  };

  FTFont* MakeFont(int type) const;
  // Takes ownership of a freshly made font as the only sized face (size not applied yet).
  void ResetFaces(FTFont* font);
  void DeleteFaces();
  SizedFace m_faces[kSizedFaces];
  int m_current_face = 0;
  unsigned m_use_clock = 0;
  int m_ftgl_resizes = 0;

  // Measures / renders an already shaped string of n characters.
  void MeasureShaped(const wchar_t* text, int n, int* width, int* height) const;
  void RenderShaped(const wchar_t* text, int n, float x, float y, const float colour[4]);
  void DrawShaped(int flags, const GLTextBox& box, const wchar_t* text, int n, const float colour[4]);
};

// UTF-8 to wide characters into `out` (room for kMaxChars plus a terminator) without
// allocating. Returns the count, or 0 (empty output) for invalid or over-long text.
size_t Utf8ToWideFixed(const char* utf8, wchar_t* out);
