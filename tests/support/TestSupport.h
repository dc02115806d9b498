// Shared by the test programs: the library's singletons, the log the stand-in
// logger writes, the store's files, and child processes.
#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "interfaces/FileProtectHost.h"

// The host kit's conversions, for assertions and messages.
using fileprotect::Utf8;
using fileprotect::Wide;

// The folder of the running test program (children live beside it).
std::wstring ProgramFolder();

// A fresh, empty folder under the system's temporary folder.
std::wstring MakeTempFolder(const std::wstring& name);

// A file's bytes ("" when it cannot be read), writing them (false on
// failure), and whether anything is at a path.
std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

// Sends the logger's lines to a file of its own for the lifetime of the
// object; Lines() gives what was logged, without the stand-in's stamps, and
// Has() whether one of them is exactly `line`.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> Lines() const;
    bool Has(const std::string& line) const;

private:
    std::wstring path_;
};

inline ProtectFileItem PathItem(const std::wstring& path, const std::wstring& mount, bool file) {
    ProtectFileItem item;
    item.filepath = path;
    item.mountpoint = mount;
    item.bFile = file;
    return item;
}

inline BlockCountItem Block(const std::wstring& path, int32_t count) {
    BlockCountItem item;
    item.filepath = path;
    item.blockcount = count;
    return item;
}

// Closes the store and deletes its database files, for tests that need a
// machine without a database.
void DeleteStoreFiles();

// Opens the store (once per process is enough) and empties every rule table.
IFileProtectCfgMgr* FreshStore();

// A second connection to the rule database, for looking at what the store
// wrote through SQLite itself.
class Db {
public:
    Db();
    ~Db();
    sqlite3* handle() const { return db_; }
    // The first column of every row of a query, as UTF-8 text ("NULL" for NULL).
    std::vector<std::string> Column(const std::string& sql) const;
    // The first column of the first row, or "" when there is none.
    std::string Scalar(const std::string& sql) const;
    bool Exec(const std::string& sql) const;

private:
    sqlite3* db_ = nullptr;
};

// Starts <name>.exe from the program folder with the given arguments; with
// `output`, the child writes its standard output there and has no other
// standard handle.
HANDLE StartChild(const std::wstring& name, const std::wstring& arguments,
                  HANDLE output = nullptr);
// Starts it and waits; the exit code, or -1 when it could not run in time.
int RunChild(const std::wstring& name, const std::wstring& arguments,
             DWORD timeoutMs = 120000);
// Waits for a started child and closes its handle; exit code or -1.
int WaitChild(HANDLE process, DWORD timeoutMs = 120000);
