// Runs a command and writes the peak resident size of the process or of any
// process it waited for (wait4's ru_maxrss, in kB) to a file. Being small,
// it hands the command its own small high-water mark at the fork, not that
// of the benchmark's interpreter.
//
//     peak_rss FILE command [argument...]
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) return 127;
    const pid_t pid = fork();
    if (pid < 0) return 127;
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return 127;
    if (std::FILE* out = std::fopen(argv[1], "w")) {
        std::fprintf(out, "%ld\n", usage.ru_maxrss);
        std::fclose(out);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
