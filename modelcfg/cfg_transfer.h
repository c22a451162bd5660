// The editor's exchanges with its device by command frames: fetching the
// whole Model.cfg and sending one changed line.
#pragma once

// Fetches the device's file into the program directory's Model.cfg and loads
// it into the table; 1 on success (the caller then sets title and colours).
int GetConfigViaSerialProtocol();
// Sends one line ("Y1" and the line) to transfer_device and updates its status.
void SendModelCfgLine(int line);
