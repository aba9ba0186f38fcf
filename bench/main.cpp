#include <cstdio>
#include <cstring>

int runReaderBench(int argc, char** argv);
int runMakeTree(int argc, char** argv);
int runPipelineBench(int argc, char** argv);
int runWindowBench(int argc, char** argv);
int runStartupBench(int argc, char** argv);

namespace {

int usage()
{
    std::fprintf(stderr, "usage: optara-bench reader DIR\n"
                         "       optara-bench make-tree DIR --photos N\n"
                         "       optara-bench pipeline DIR [--cold | --once]\n"
                         "       optara-bench window DIR [--cold] [--cycles N]\n"
                         "       optara-bench startup BARE APP... [--runs N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    // Each command sees its own arguments: argv[0] is the command name.
    if (std::strcmp(argv[1], "reader") == 0)
        return runReaderBench(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "make-tree") == 0)
        return runMakeTree(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "pipeline") == 0)
        return runPipelineBench(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "window") == 0)
        return runWindowBench(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "startup") == 0)
        return runStartupBench(argc - 1, argv + 1);
    return usage();
}
