#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct sqlite3;

// Settings files made the way a test needs them: keyed, with the table and rows given, or
// damaged on purpose. They are real files so the store is tested against the engine itself.
namespace storetest {

// A scratch folder removed at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// An open raw connection, for setting a file up and looking inside it behind the store.
class RawDb {
public:
    RawDb(const std::filesystem::path& file, const std::string& key, bool create = false);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    void exec(const std::string& sql);
    // Rows of a query, each as its column texts ("NULL" for a null value).
    std::vector<std::vector<std::string>> rows(const std::string& sql);

private:
    sqlite3* m_db = nullptr;
};

// The settings table with the given SQL value lists ("1, '9600', '9600'").
void makeSettingsFile(const std::filesystem::path& file, const std::vector<std::string>& values,
                      const std::string& columns = "COMPORT INTEGER, BANDRATE TEXT, COMSPEED TEXT",
                      const std::string& key = "vemqaz");

// All rows of the settings table, oldest first: COMPORT, BANDRATE, COMSPEED as texts.
std::vector<std::vector<std::string>> settingsRows(const std::filesystem::path& file);

// Makes a folder unwritable for this process, even for root (through the immutable flag),
// and undoes it on destruction. ok() is false where neither way works.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool ok() const { return m_ok; }

private:
    std::filesystem::path m_folder;
    bool m_immutable = false;
    bool m_ok = false;
};

} // namespace storetest
