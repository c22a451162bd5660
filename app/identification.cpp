#include "app/identification.h"

#include <cstdio>

#include "link/capture.h"

bool ReadIdentification(const protocol_struct& answer, std::string* part, std::string* serial,
                        std::string* message) {
  const unsigned char* r = answer.response_buf;
  const int body_end = answer.receive_count - 2;
  char text[128];
  if (body_end > 7 && r[7] == '-') {
    if (body_end <= 21) return false;
    std::snprintf(text, sizeof text, "305-%c%c%c%c-%c%c%c", r[3], r[4], r[5], r[6], r[8], r[9],
                  r[10]);
    *part = text;
    std::snprintf(text, sizeof text, "%c%c%c%c%c", r[12], r[13], r[14], r[15], r[16]);
    *serial = text;
    std::snprintf(text, sizeof text,
                  "P/N 305-%c%c%c%c-%c%c%c, S/N %c%c%c%c%c (Firmware Version %c.%c%c)", r[3], r[4],
                  r[5], r[6], r[8], r[9], r[10], r[12], r[13], r[14], r[15], r[16], r[18], r[20],
                  r[21]);
    *message = text;
    return true;
  }
  if (body_end <= 12) return false;
  std::snprintf(text, sizeof text, "305-%c%c%c%c-%c%c%c", r[3], r[4], r[5], r[6], r[7], r[8], r[9]);
  *part = text;
  serial->clear();
  std::snprintf(text, sizeof text, "Part Number 305-%c%c%c%c-%c%c%c, Firmware Version %c.%c%c",
                r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], r[12]);
  *message = text;
  return true;
}
