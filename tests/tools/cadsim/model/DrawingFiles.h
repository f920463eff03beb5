#pragma once

#include "TestDrawing.h"

#include "cadsim/model/FileLock.h"
#include "cadsim/model/Simulator.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace cadsim::testing {

// A folder of its own under the temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder()
    {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() / ("cadsim-files-" + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::u16string path(const std::string& name) const { return (m_path / name).u16string(); }
    // Writes the file and gives its path.
    std::u16string write(const std::string& name, const std::string& content) const
    {
        std::ofstream(m_path / name, std::ios::binary) << content;
        return path(name);
    }

private:
    std::filesystem::path m_path;
};

inline std::string contentOf(const std::u16string& path)
{
    std::ifstream file{std::filesystem::path(path), std::ios::binary};
    if (!file)
        throw std::runtime_error("cannot read the file");
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The tests' own drawing files: "DRAWING", optionally followed by the
// drawing's identity, stands for the sample drawing; anything else is no
// drawing. Read through the path, as the program's DXF reader reads.
inline Drawing loadTestDrawing(const std::u16string& path)
{
    const std::string content = contentOf(path);
    if (content.rfind("DRAWING", 0) != 0)
        throw std::runtime_error("the file has no drawing header");
    Drawing drawing = sampleDrawing();
    if (content.size() > 8)
        drawing.setFingerprint(std::u16string(content.begin() + 8, content.end()));
    return drawing;
}

inline const char* const savedIdentity = "{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}";

// Whether another program could take the file for itself now.
inline bool takenByNoOne(const std::u16string& path)
{
    try {
        FileLock::take(path, FileLock::Mode::Exclusive);
        return true;
    } catch (const FileLock::Error&) {
        return false;
    }
}

} // namespace cadsim::testing
