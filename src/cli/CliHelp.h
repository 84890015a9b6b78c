// Help text, manual page and bash completion of velkor-cli, all made from
// the command and option tables and the format lists.
#pragma once

#include "cli/CliOptions.h"

#include <string>

std::string VersionText();
// --help: every command, option, output type and readable format.
std::string HelpText();
// help COMMAND / COMMAND --help: its usage and the options it takes.
std::string CommandHelpText(const CliCommand& command);
// velkor-cli.1 in roff.
std::string ManPage();
// A bash completion script for commands, options and their values.
std::string BashCompletion();
