// Replacing the device's whole Model.cfg over Ethernet: the file goes to the
// device's upload port on a connection of its own, which whoever sends it has
// opened.
#pragma once

#include <cstdint>
#include <string>

// The device's file-upload port (2003); a test aims it at a listener of its own.
extern std::int32_t upload_port;

// "host port N", for messages.
std::string EndpointText(const char* host, long port);
// On the upload connection open in slot: the header, the file in pieces and
// CR LF, then the connection is closed. Empty when every byte went out, else
// what failed, naming where.
std::string SendUpload(int slot, const std::string& content, const std::string& where);
