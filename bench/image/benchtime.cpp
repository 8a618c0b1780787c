// vesk-benchtime RUNS COMMAND [ARGS...]: runs a command RUNS times and prints the best wall
// time in seconds and the largest peak memory (max RSS, KiB) of its runs, as "SECONDS KIB".
// Fails when a run fails.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: vesk-benchtime RUNS COMMAND [ARGS...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    double best = 1e300;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            execvp(argv[2], argv + 2);
            std::perror(argv[2]);
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        if (child < 0 || wait4(child, &status, 0, &usage) < 0) {
            std::perror("vesk-benchtime");
            return 1;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "vesk-benchtime: %s failed\n", argv[2]);
            return 1;
        }
        best = took.count() < best ? took.count() : best;
        peak = usage.ru_maxrss > peak ? usage.ru_maxrss : peak;
    }
    std::printf("%.6f %ld\n", best, peak);
    return 0;
}
