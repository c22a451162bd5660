// corvane-cli's subcommands, each group registered by its own module. A
// subcommand's callback returns its exit code through the context it keeps.
#pragma once

namespace CLI {
class App;
}

// status, watch, key, attenuation, scan
void AddDeviceCommands(CLI::App& app, int* exit_code);
// get-config, send-config, send-all, firmware
void AddTransferCommands(CLI::App& app, int* exit_code);
// gateway
void AddGatewayCommand(CLI::App& app, int* exit_code);
