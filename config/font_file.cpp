#include "config/font_file.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "config/program_directory.h"

logfont_record font_info = {};
choosefont_record font_selection = {};

namespace {

using font_image = unsigned char[font_file_size];

// The file is taken byte for byte, whatever the host's byte order.
class image_writer {
 public:
  explicit image_writer(unsigned char* bytes) : at_(bytes) {}
  void Put(std::uint32_t value, int size) {
    for (int byte = 0; byte < size; ++byte)
      *at_++ = static_cast<unsigned char>(value >> (8 * byte));
  }
  void PutText(const char* text, std::size_t size) {
    std::memcpy(at_, text, size);
    at_ += size;
  }

 private:
  unsigned char* at_;
};

class image_reader {
 public:
  explicit image_reader(const unsigned char* bytes) : at_(bytes) {}
  std::uint32_t Get(int size) {
    std::uint32_t value = 0;
    for (int byte = 0; byte < size; ++byte)
      value |= static_cast<std::uint32_t>(*at_++) << (8 * byte);
    return value;
  }
  std::int32_t GetSigned() { return static_cast<std::int32_t>(Get(4)); }
  void GetText(char* text, std::size_t size) {
    std::memcpy(text, at_, size);
    at_ += size;
  }

 private:
  const unsigned char* at_;
};

void Encode(font_image& bytes) {
  image_writer out(bytes);
  const logfont_record& f = font_info;
  for (std::int32_t value : {f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight}) {
    out.Put(static_cast<std::uint32_t>(value), 4);
  }
  for (std::uint8_t value :
       {f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision,
        f.lfQuality, f.lfPitchAndFamily}) {
    out.Put(value, 1);
  }
  out.PutText(f.lfFaceName, sizeof f.lfFaceName);
  const choosefont_record& c = font_selection;
  for (std::uint32_t value :
       {c.lStructSize, c.hwndOwner, c.hDC, c.lpLogFont, static_cast<std::uint32_t>(c.iPointSize),
        c.Flags, c.rgbColors, c.lCustData, c.lpfnHook, c.lpTemplateName, c.hInstance,
        c.lpszStyle}) {
    out.Put(value, 4);
  }
  out.Put(c.nFontType, 2);
  out.Put(c.padding, 2);
  out.Put(static_cast<std::uint32_t>(c.nSizeMin), 4);
  out.Put(static_cast<std::uint32_t>(c.nSizeMax), 4);
}

void Decode(const font_image& bytes) {
  image_reader in(bytes);
  logfont_record& f = font_info;
  for (std::int32_t* field :
       {&f.lfHeight, &f.lfWidth, &f.lfEscapement, &f.lfOrientation, &f.lfWeight}) {
    *field = in.GetSigned();
  }
  for (std::uint8_t* field :
       {&f.lfItalic, &f.lfUnderline, &f.lfStrikeOut, &f.lfCharSet, &f.lfOutPrecision,
        &f.lfClipPrecision, &f.lfQuality, &f.lfPitchAndFamily}) {
    *field = static_cast<std::uint8_t>(in.Get(1));
  }
  in.GetText(f.lfFaceName, sizeof f.lfFaceName);
  choosefont_record& c = font_selection;
  c.lStructSize = in.Get(4);
  c.hwndOwner = in.Get(4);
  c.hDC = in.Get(4);
  c.lpLogFont = in.Get(4);
  c.iPointSize = in.GetSigned();
  for (std::uint32_t* field : {&c.Flags, &c.rgbColors, &c.lCustData, &c.lpfnHook, &c.lpTemplateName,
                               &c.hInstance, &c.lpszStyle}) {
    *field = in.Get(4);
  }
  c.nFontType = static_cast<std::uint16_t>(in.Get(2));
  c.padding = static_cast<std::uint16_t>(in.Get(2));
  c.nSizeMin = in.GetSigned();
  c.nSizeMax = in.GetSigned();
}

bool FontFileName(char* name, std::size_t size) {
  return ProgramFileName(name, size, "font.dat");
}

}  // namespace

bool ReadFontFile() {
  char name[sizeof save_directory + 16];
  if (!FontFileName(name, sizeof name)) return false;
  std::FILE* file = std::fopen(name, "rb");
  if (!file) return false;
  // The bytes read replace the start of the records; the rest stays.
  font_image bytes;
  Encode(bytes);
  std::fread(bytes, 1, sizeof bytes, file);
  std::fclose(file);
  Decode(bytes);
  return true;
}

bool WriteFontFile() {
  char name[sizeof save_directory + 16];
  if (!FontFileName(name, sizeof name)) return false;
  std::FILE* file = std::fopen(name, "wb");
  if (!file) return false;
  font_image bytes;
  Encode(bytes);
  const bool written = std::fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes;
  return std::fclose(file) == 0 && written;
}
