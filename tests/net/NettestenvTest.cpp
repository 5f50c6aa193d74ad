// Every test process of the mail library keeps its system temporary folder
// (and so its private attachment folder) under the tests' scratch folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class TNetTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char* root = std::getenv("QUILLARAN_TEST_TMP");
        const std::filesystem::path dir = std::filesystem::path(root ? root : "/tmp/quillaran-test") / "net" / "system-tmp";
        std::filesystem::create_directories(dir);
        setenv("TMPDIR", dir.c_str(), 1);
    }
};

[[maybe_unused]] ::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new TNetTestEnvironment);

} // namespace
