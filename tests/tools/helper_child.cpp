// A child for runner tests, doing the steps named by its arguments in order:
//   out=<text>        one write of text to stdout (\n, \0 and \\ are decoded)
//   err=<text>        the same to stderr
//   bytes=<n>         one write of n bytes to stdout
//   sleep=<ms>        sleep
//   late=<ms>:<text>  start a grandchild that keeps the pipe, writes text after ms, then exits
//   sleeper=<file>    start a grandchild that writes its pid to file, then "sleeper\n" to the
//                     pipe, then sleeps for a minute holding the pipe
//   detached=<file>   start a grandchild that writes its pid to file, lets go of the pipe and
//                     sleeps for a minute (it stays in the child's process group)
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Decode(const char* s) {
    std::string out;
    for (; *s; ++s) {
        if (*s == '\\' && s[1]) {
            ++s;
            out.push_back(*s == 'n' ? '\n' : *s == '0' ? '\0' : *s);
        } else {
            out.push_back(*s);
        }
    }
    return out;
}

void WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n <= 0) std::_Exit(3);
        done += static_cast<size_t>(n);
    }
}

void SleepMs(long ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

void WritePidFile(const std::string& file) {
    std::string tmp = file + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "w");
    if (!f) std::_Exit(4);
    std::fprintf(f, "%d\n", static_cast<int>(getpid()));
    std::fclose(f);
    std::rename(tmp.c_str(), file.c_str());
}

bool Starts(const char* arg, const char* key, const char** value) {
    size_t n = std::strlen(key);
    if (std::strncmp(arg, key, n) != 0) return false;
    *value = arg + n;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* v = nullptr;
        if (Starts(argv[i], "out=", &v)) {
            WriteAll(1, Decode(v));
        } else if (Starts(argv[i], "err=", &v)) {
            WriteAll(2, Decode(v));
        } else if (Starts(argv[i], "bytes=", &v)) {
            std::string data(std::strtoul(v, nullptr, 10), 'x');
            for (size_t k = 0; k < data.size(); ++k) data[k] = static_cast<char>('a' + k % 26);
            WriteAll(1, data);
        } else if (Starts(argv[i], "sleep=", &v)) {
            SleepMs(std::strtol(v, nullptr, 10));
        } else if (Starts(argv[i], "late=", &v)) {
            char* rest = nullptr;
            long ms = std::strtol(v, &rest, 10);
            std::string text = Decode(*rest == ':' ? rest + 1 : rest);
            if (fork() == 0) {
                SleepMs(ms);
                WriteAll(1, text);
                std::_Exit(0);
            }
        } else if (Starts(argv[i], "sleeper=", &v)) {
            std::string file = v;
            if (fork() == 0) {
                WritePidFile(file);
                WriteAll(1, "sleeper\n");
                SleepMs(60000);
                std::_Exit(0);
            }
        } else if (Starts(argv[i], "detached=", &v)) {
            std::string file = v;
            if (fork() == 0) {
                WritePidFile(file);
                int null = open("/dev/null", O_WRONLY);
                dup2(null, 1);
                dup2(null, 2);
                close(null);
                SleepMs(60000);
                std::_Exit(0);
            }
        } else {
            std::fprintf(stderr, "helper_child: unknown step %s\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
