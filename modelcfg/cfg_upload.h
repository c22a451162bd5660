// Replacing the device's whole Model.cfg over Ethernet: the file goes to the
// device's upload port on a connection of its own, and the command connection
// is opened again afterwards.
#pragma once

#include <cstdint>
#include <string>

// The device's file-upload port (2003); a test aims it at a listener of its own.
extern std::int32_t upload_port;

struct upload_outcome {
  bool sent = false;          // every byte of the file went out
  bool command_open = false;  // the command connection stands again
  std::string message;        // what went wrong; empty when both hold
};

// Sends content to default_ipaddress after closing the command connection in
// slot *device, then opens the command connection again: *device is its slot.
upload_outcome UploadModelCfg(const std::string& content, int* device);

// "host port N", for messages.
std::string UploadEndpoint(const char* host, long port);
// On the upload connection open in slot: the header, the file in pieces and
// CR LF, then the connection is closed. Empty when every byte went out, else
// what failed, naming where.
std::string SendUpload(int slot, const std::string& content, const std::string& where);
