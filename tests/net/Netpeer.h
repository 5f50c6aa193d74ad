#pragma once
// Runs an independent peer program (base64, md5sum, python3 ...) on test data.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <filesystem>

namespace netpeer {

// A folder of its own for each test under QUILLARAN_TEST_TMP.
inline std::string TestFolder(const std::string& Name)
{
    const char* root = std::getenv("QUILLARAN_TEST_TMP");
    std::filesystem::path dir = std::filesystem::path(root ? root : "/tmp/quillaran-test") / "net" / Name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

inline void WriteFile(const std::string& Path, const std::string& Data)
{
    std::ofstream(Path, std::ios::binary) << Data;
}

inline std::string ReadFile(const std::string& Path)
{
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs a shell command and returns its standard output; Status gets the exit code.
inline std::string Run(const std::string& Command, int* Status = nullptr)
{
    std::string out;
    FILE* p = popen(Command.c_str(), "r");
    if (!p)
        return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int rc = pclose(p);
    if (Status)
        *Status = WEXITSTATUS(rc);
    return out;
}

inline std::string RandomBytes(size_t Size, uint32_t Seed)
{
    std::mt19937 gen(Seed);
    std::string s(Size, '\0');
    for (char& c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

} // namespace netpeer
