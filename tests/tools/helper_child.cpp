// A child for runner tests, doing the steps named by its arguments in order:
//   out=<text>, err=<text>  one write to stdout / stderr (\n, \r, \0 and \\ are decoded)
//   bytes=<n>               one write of n bytes "abc...zabc..." to stdout
//   sleep=<ms>              sleep
//   late=<ms>:<text>        a grandchild keeps the pipe, writes text after ms, then exits
//   sleeper=<file>          a grandchild writes its pid to file, then "sleeper\n" to the pipe,
//                           then sleeps for a minute holding the pipe
//   detached=<file>         a grandchild writes its pid to file, lets go of the pipe and sleeps
//                           for a minute (it stays in the child's process group)
//   close                   closes stdout and stderr (the child goes on)
//   pid=<file>              writes its own pid to file
//   exit=<n>, signal=<n>    ends with exit code n / dies of signal n
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Decode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size())
            c = s[++i] == 'n' ? '\n' : s[i] == 'r' ? '\r' : s[i] == '0' ? '\0' : s[i];
        out.push_back(c);
    }
    return out;
}

// One write: a blocking pipe takes it whole.
void WriteAll(int fd, const std::string& data) {
    if (write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) std::_Exit(3);
}

void SleepMs(long ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

// Forks; true in the grandchild, which first writes its pid to `pidFile` when one is named.
bool Grandchild(const std::string& pidFile) {
    if (fork() != 0) return false;
    if (!pidFile.empty()) {
        const std::string tmp = pidFile + ".tmp";  // renamed, so a reader never sees half a pid
        FILE* f = std::fopen(tmp.c_str(), "w");
        if (!f) std::_Exit(4);
        std::fprintf(f, "%d\n", static_cast<int>(getpid()));
        std::fclose(f);
        std::rename(tmp.c_str(), pidFile.c_str());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t eq = arg.find('=');
        const std::string key = arg.substr(0, eq), value = eq == std::string::npos ? "" : arg.substr(eq + 1);
        if (key == "out" || key == "err") {
            WriteAll(key == "out" ? 1 : 2, Decode(value));
        } else if (key == "bytes") {
            std::string data(std::stoul(value), 'x');
            for (size_t k = 0; k < data.size(); ++k) data[k] = static_cast<char>('a' + k % 26);
            WriteAll(1, data);
        } else if (key == "pid") {
            FILE* f = std::fopen((value + ".tmp").c_str(), "w");
            if (!f) return 4;
            std::fprintf(f, "%d\n", static_cast<int>(getpid()));
            std::fclose(f);
            std::rename((value + ".tmp").c_str(), value.c_str());
        } else if (key == "close") {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
        } else if (key == "exit") {
            return std::stoi(value);
        } else if (key == "signal") {
            signal(std::stoi(value), SIG_DFL);
            raise(std::stoi(value));
        } else if (key == "sleep") {
            SleepMs(std::stol(value));
        } else if (key == "late" || key == "sleeper" || key == "detached") {
            if (!Grandchild(key == "late" ? "" : value)) continue;
            if (key == "late") {
                SleepMs(std::stol(value));
                WriteAll(1, Decode(value.substr(value.find(':') + 1)));
            } else if (key == "sleeper") {
                WriteAll(1, "sleeper\n");
                SleepMs(60000);
            } else {
                const int null = open("/dev/null", O_WRONLY);
                dup2(null, 1);
                dup2(null, 2);
                SleepMs(60000);
            }
            std::_Exit(0);
        } else {
            std::fprintf(stderr, "helper_child: unknown step %s\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
