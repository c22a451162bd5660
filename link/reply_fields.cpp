#include "link/reply_fields.h"

#include "config/settings.h"

int ReplyByte(const protocol_struct& reply, int tessary_offset) {
  if (tessary_offset < 1) return -1;
  const int at = tessary_offset + (quillon_protocol ? 1 : 0);
  // Both families close with two bytes: ETX and checksum, or sum and ETX.
  const int body_end = reply.receive_count - 2;
  if (body_end > response_buffer_size || at >= body_end) return -1;
  return reply.response_buf[at];
}
