// The entry rules shared by the address and amplifier information dialogs:
// poll addresses as typed, part and serial numbers, target hours. Each Read
// function refuses its field with the dialog's message, the focus back on the
// field, and returns false; or returns true with the value.
#pragma once

#include <cstdint>
#include <string>

#include "records/poll_address.h"
#include "ui/window.h"

// How much of each field is read; anything behind it is cut off.
constexpr int address_chars = 9;
constexpr int part_chars = 19;
constexpr int serial_chars = 9;
constexpr int comments_chars = 255;

bool ReadAddressField(ui::Handle dialog, int id, int* address);
bool ReadPartField(ui::Handle dialog, int id, std::string* part);
bool ReadSerialField(ui::Handle dialog, int id, std::string* serial);
// The decimal value of the text's leading digits, held to the field's range.
std::int32_t ReadHoursField(ui::Handle dialog, int id);
std::string ReadCommentsField(ui::Handle dialog, int id);
