#include "test_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

TST_TempDir::TST_TempDir()
{
    m_previous = std::filesystem::current_path().string();
    char pattern[] = "/tmp/qv_test_XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        return;
    }
    m_path = made;
    std::filesystem::current_path(m_path);
}

TST_TempDir::~TST_TempDir()
{
    std::error_code error;
    std::filesystem::current_path(m_previous, error);
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, error);
}

void TST_TempDir::Write(const std::string& _name, const std::string& _bytes) const
{
    std::filesystem::path path = std::filesystem::path(m_path) / _name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(_bytes.data(), (std::streamsize)_bytes.size());
}

std::string TST_TempDir::Read(const std::string& _name) const
{
    std::ifstream in(std::filesystem::path(m_path) / _name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool TST_TempDir::Exists(const std::string& _name) const
{
    return std::filesystem::exists(std::filesystem::path(m_path) / _name);
}
