// qelt-tool: the command-line companion of QELT, for users and for black-box tests.

#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include "tool/tool_commands.h"

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: qelt-tool COMMAND ARGS...\n"
           "  dump FILE                      print a timetable or store file as JSON\n"
           "  build IN.json OUT              write the file a JSON description gives\n"
           "  next TIMETABLE WEEKDAY HH:MM:SS  the item due after a time (WEEKDAY 0 = Sunday)\n"
           "  probe FILE...                  the length of each music file in ms (-1: unreadable)\n"
           "  say TEXT [--out WAV] [--engine COMMAND]\n"
           "                                 the announcement spoken for a text, as a WAV file\n"
           "  simulate DIR --from TIME --to TIME [--jitter-ms N] [--seed S] [--jump TIME=TIME]...\n"
           "                                 preview what the program folder's timetable does\n"
           "  demo DIR [--in MINUTES] [--now TIME] [--force]\n"
           "                                 write a demo program folder whose items ring soon\n"
           "  calendar DIR [--from DATE] [--to DATE]\n"
           "                                 the holidays and special days of the day calendar\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::map<std::string, int (*)(const tool::Args&)> commands = {
        {"dump", &tool::RunDump},         {"build", &tool::RunBuild},
        {"next", &tool::RunNext},         {"probe", &tool::RunProbe},
        {"simulate", &tool::RunSimulate}, {"demo", &tool::RunDemo},
        {"calendar", &tool::RunCalendar}, {"say", &tool::RunSay},
    };
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? tool::kExitUsage : tool::kExitOk;
    }
    const auto command = commands.find(argv[1]);
    if (command == commands.end()) {
        std::cerr << "qelt-tool: unknown command " << argv[1] << '\n';
        PrintUsage(std::cerr);
        return tool::kExitUsage;
    }
    return command->second(tool::Args(argv + 2, argv + argc));
}
