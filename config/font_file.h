// font.dat in the program directory: the display font record and the font
// chooser's state, 120 bytes little-endian, laid out as the 32-bit Windows
// LOGFONTA and CHOOSEFONTA records so that files from any installation load.
#pragma once

#include <cstddef>
#include <cstdint>

struct logfont_record {
  std::int32_t lfHeight;
  std::int32_t lfWidth;
  std::int32_t lfEscapement;
  std::int32_t lfOrientation;
  std::int32_t lfWeight;
  std::uint8_t lfItalic;
  std::uint8_t lfUnderline;
  std::uint8_t lfStrikeOut;
  std::uint8_t lfCharSet;
  std::uint8_t lfOutPrecision;
  std::uint8_t lfClipPrecision;
  std::uint8_t lfQuality;
  std::uint8_t lfPitchAndFamily;
  char lfFaceName[32];  // NUL-terminated
};

// The handle and pointer fields are kept only to preserve the layout; they
// carry no meaning once written.
struct choosefont_record {
  std::uint32_t lStructSize;
  std::uint32_t hwndOwner;
  std::uint32_t hDC;
  std::uint32_t lpLogFont;
  std::int32_t iPointSize;  // tenths of a point
  std::uint32_t Flags;
  std::uint32_t rgbColors;
  std::uint32_t lCustData;
  std::uint32_t lpfnHook;
  std::uint32_t lpTemplateName;
  std::uint32_t hInstance;
  std::uint32_t lpszStyle;
  std::uint16_t nFontType;
  std::uint16_t padding;
  std::int32_t nSizeMin;
  std::int32_t nSizeMax;
};

static_assert(sizeof(logfont_record) == 60);
static_assert(offsetof(logfont_record, lfItalic) == 20);
static_assert(offsetof(logfont_record, lfFaceName) == 28);
static_assert(sizeof(choosefont_record) == 60);
static_assert(offsetof(choosefont_record, iPointSize) == 16);
static_assert(offsetof(choosefont_record, nFontType) == 48);
static_assert(offsetof(choosefont_record, nSizeMin) == 52);

constexpr std::size_t font_file_size = sizeof(logfont_record) + sizeof(choosefont_record);

extern logfont_record font_info;          // the display font
extern choosefont_record font_selection;  // the font chooser's state

// Reads "font.dat" over the records. Returns whether the file could be opened;
// a short file leaves the rest of the records as they were.
bool ReadFontFile();

// Writes the records to "font.dat" anew. Returns whether all 120 bytes were written.
bool WriteFontFile();
