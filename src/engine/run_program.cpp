#include "engine/run_program.h"

#include "schedule/app_paths.h"

namespace engine {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& parameters) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;  // a word has begun, even if it is still empty ("")
    const std::size_t n = parameters.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = parameters[i];
        if (IsBlank(c)) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == '\'') {
            // Everything up to the closing quote (or the end) is taken as it stands.
            for (++i; i < n && parameters[i] != '\''; ++i) {
                word += parameters[i];
            }
        } else if (c == '"') {
            for (++i; i < n && parameters[i] != '"'; ++i) {
                if (parameters[i] == '\\' && i + 1 < n && parameters[i + 1] == '"') {
                    ++i;
                }
                word += parameters[i];
            }
        } else if (c == '\\' && i + 1 < n && parameters[i + 1] == '"') {
            word += parameters[++i];
        } else {
            word += c;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

int RunProgram(platform::ProcessRunner& runner, const WaitPumpingFn& waitPumping,
               const std::string& appDir, const std::string& program,
               const std::string& parameters) {
    // An empty program is passed on as it is, so that it fails to start rather than
    // naming the program folder itself.
    const std::string path = program.empty() ? program : schedule::ResolvePath(appDir, program);
    const platform::ProcessRunner::Handle process =
        runner.Start(path, SplitCommandLine(parameters), appDir);
    if (process == platform::ProcessRunner::kNoProcess) {
        return -1;
    }
    for (int step = 0; step < kProgramWaitSteps; ++step) {
        waitPumping(kProgramWaitStepMs);
        if (const std::optional<int> code = runner.ExitCode(process)) {
            return *code;
        }
    }
    runner.Abandon(process);
    return -1;
}

}  // namespace engine
