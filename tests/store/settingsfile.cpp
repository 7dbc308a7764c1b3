#include "settingsfile.h"

#include <sqlcipher/sqlite3.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <unistd.h>

namespace storetest {

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "store-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

RawDb::RawDb(const std::filesystem::path& file, const std::string& key, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(m_db);
        sqlite3_close(m_db);
        throw std::runtime_error(message);
    }
    sqlite3_key(m_db, key.data(), static_cast<int>(key.size()));
}

RawDb::~RawDb() {
    sqlite3_close(m_db);
}

void RawDb::exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "exec failed";
        sqlite3_free(error);
        throw std::runtime_error(message + " in " + sql);
    }
}

std::vector<std::vector<std::string>> RawDb::rows(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(m_db));
    }
    std::vector<std::vector<std::string>> out;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            const auto* text = sqlite3_column_text(stmt, c);
            row.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        out.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return out;
}

void makeSettingsFile(const std::filesystem::path& file, const std::vector<std::string>& values,
                      const std::string& columns, const std::string& key) {
    RawDb db(file, key, true);
    db.exec("CREATE TABLE \"환경설정\" (" + columns + ")");
    for (const auto& v : values) {
        db.exec("INSERT INTO \"환경설정\" VALUES (" + v + ")");
    }
}

std::vector<std::vector<std::string>> settingsRows(const std::filesystem::path& file) {
    RawDb db(file, "vemqaz");
    return db.rows("SELECT COMPORT, BANDRATE, COMSPEED FROM \"환경설정\" ORDER BY rowid");
}

namespace {

bool setImmutable(const std::filesystem::path& folder, bool on) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(std::filesystem::path folder)
    : m_folder(std::move(folder)) {
    if (::geteuid() == 0) {
        m_immutable = setImmutable(m_folder, true);
    } else {
        std::filesystem::permissions(m_folder,
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
    }
    m_ok = ::access(m_folder.c_str(), W_OK) != 0;
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (m_immutable) {
        setImmutable(m_folder, false);
    } else {
        std::error_code ignored;
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ignored);
    }
}

} // namespace storetest
