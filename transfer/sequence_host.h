// What the service console sequence needs from whoever runs it: the transfer
// dialog, or a program without windows driving it from its own loop.
#pragma once

#include <string>

enum class sequence_problem {
  unreadable_file,   // the local file to send cannot be read
  uncreatable_file,  // the received file has nowhere to go
  port,              // the serial port cannot be used
};

class sequence_host {
 public:
  virtual ~sequence_host() = default;
  // Starts the tick and the watch on the serial port, unless running.
  virtual void StartDrivers() = 0;
  // The status line; empty without one.
  virtual std::string StatusText() = 0;
  virtual void ShowStatus(const std::string& text) = 0;
  // A final step came; completed: the file went over whole.
  virtual void Ended(bool completed) = 0;
  // The local file standing for the device's transfer_filename.
  virtual std::string LocalFile() = 0;
  virtual void Problem(sequence_problem kind, const std::string& text) = 0;
  // A file got from the device is whole at LocalFile().
  virtual void FileReceived() {}
};

// The host put in place; without one the sequence runs unseen.
sequence_host& SequenceHost();
// nullptr: none.
void UseSequenceHost(sequence_host* host);
