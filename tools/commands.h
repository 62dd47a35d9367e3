// The subcommands of codehdr. Each Add* function registers one subcommand on
// the application; when it runs, its callback stores the exit status in
// `exit_status`. Errors are thrown as ToolError and reported by main. Each
// subcommand's help ends with its exit statuses.
#ifndef CODEHDR_TOOLS_COMMANDS_H
#define CODEHDR_TOOLS_COMMANDS_H

namespace CLI {
class App;
}

namespace codehdr::tool {

void AddBuildCommand(CLI::App& app, int& exit_status);
void AddInfoCommand(CLI::App& app, int& exit_status);
void AddVerifyCommand(CLI::App& app, int& exit_status);
void AddExtractCommand(CLI::App& app, int& exit_status);
void AddCrcCommand(CLI::App& app, int& exit_status);
void AddDevicesCommand(CLI::App& app, int& exit_status);
void AddModesCommand(CLI::App& app, int& exit_status);
void AddVersionCommand(CLI::App& app, int& exit_status);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_COMMANDS_H
