// Makes the settings file delivered beside the station program: keyed, holding the settings
// table with one record (Com1, 9600). The program itself never creates this file.
//
// Usage: make-settings-db OUTPUT
#include "remote/store/storeconstants.h"

#include <sqlcipher/sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using namespace remote::store;

bool run(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "make-settings-db: %s\n", error ? error : sqlite3_errmsg(db));
        sqlite3_free(error);
        return false;
    }
    return true;
}

bool makeFile(const std::filesystem::path& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "make-settings-db: %s: %s\n", path.c_str(),
                     db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return false;
    }
    const std::string table = std::string("\"") + kSettingsTable + "\"";
    // COMSPEED has a default so that a record the station appends to an empty table can
    // still be read back in full.
    const bool ok =
        sqlite3_key(db, kSettingsPassword, static_cast<int>(std::strlen(kSettingsPassword))) ==
            SQLITE_OK &&
        run(db, "BEGIN") &&
        run(db, "CREATE TABLE " + table + " (" + kColumnComPort + " INTEGER, " + kColumnBandRate +
                    " TEXT, " + kColumnComSpeed + " TEXT DEFAULT '" + kDeliveredBandRate + "')") &&
        run(db, "INSERT INTO " + table + " (" + kColumnComPort + ", " + kColumnBandRate + ", " +
                    kColumnComSpeed + ") VALUES (" + std::to_string(kDeliveredComPort) + ", '" +
                    kDeliveredBandRate + "', '" + kDeliveredBandRate + "')") &&
        run(db, "COMMIT");
    if (sqlite3_close(db) != SQLITE_OK) {
        std::fprintf(stderr, "make-settings-db: %s: could not close\n", path.c_str());
        return false;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-settings-db OUTPUT\n");
        return 2;
    }
    const std::filesystem::path output = argv[1];
    // Built under a temporary name and renamed, so an interrupted build never leaves a
    // half-made file where the program looks for its settings.
    std::filesystem::path partial = output;
    partial += ".partial";
    std::error_code error;
    std::filesystem::remove(partial, error);
    if (!makeFile(partial)) {
        std::filesystem::remove(partial, error);
        return 1;
    }
    std::filesystem::rename(partial, output, error);
    if (error) {
        std::fprintf(stderr, "make-settings-db: %s: %s\n", output.c_str(), error.message().c_str());
        std::filesystem::remove(partial, error);
        return 1;
    }
    return 0;
}
