// The floor under a prediction run's file work: opens, reads to the end and closes each
// file named in a list (one name a line, in order, repeats included), and nothing else.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: read-files LIST\n");
        return 2;
    }
    std::vector<std::string> names;
    std::ifstream list(argv[1]);
    for (std::string name; std::getline(list, name);) names.push_back(name);
    char buffer[4096];
    std::size_t bytes = 0;
    for (const std::string& name : names) {
        std::FILE* file = std::fopen(name.c_str(), "r");
        if (file == nullptr) return 1;
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes += got;
        std::fclose(file);
    }
    return bytes == 0 ? 1 : 0;
}
