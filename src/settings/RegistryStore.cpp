#include "RegistryStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "NameFold.h"

namespace lexmill {

namespace {

// 'LXMR' in the database header marks a Lexmill settings file.
constexpr int kApplicationId = 0x4C584D52;
constexpr int kSchemaVersion = 1;
constexpr std::int64_t kRootId = 1;

// The root is its own parent, so every other key has a real one and
// UNIQUE(parent, folded) holds for all of them. Values are numbered by
// AUTOINCREMENT, which never reuses a number: `seq` is the order of first
// writing. Deleting a key cascades to its subkeys and values.
constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY,
    parent INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    UNIQUE(parent, folded));
INSERT INTO keys(id, parent, name, folded) VALUES (1, 1, '', '');
CREATE TABLE vals(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, folded));
)sql";

RegistryError::Kind kindOf(int code) {
    switch (code & 0xff) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_CANTOPEN:
            return RegistryError::Kind::Unreadable;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return RegistryError::Kind::Busy;
        default:
            return RegistryError::Kind::Failed;
    }
}

[[noreturn]] void fail(sqlite3* db, int code, const std::string& doing) {
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw RegistryError(kindOf(code), code, doing + ": " + message);
}

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// One prepared statement, used once.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
        statement_.reset(raw);
        if (rc != SQLITE_OK) fail(db, rc, "cannot prepare settings query");
    }

    Statement& bind(int index, std::int64_t value) {
        check(sqlite3_bind_int64(statement_.get(), index, value));
        return *this;
    }
    // An empty name stays "", never NULL (an empty string_view may have no data).
    Statement& bindText(int index, std::string_view text) {
        check(sqlite3_bind_text64(statement_.get(), index, text.empty() ? "" : text.data(),
                                  text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
        return *this;
    }
    // An empty blob stays a blob of size 0, never NULL.
    Statement& bindBlob(int index, std::string_view bytes) {
        if (bytes.empty())
            check(sqlite3_bind_zeroblob(statement_.get(), index, 0));
        else
            check(sqlite3_bind_blob64(statement_.get(), index, bytes.data(), bytes.size(),
                                      SQLITE_TRANSIENT));
        return *this;
    }

    // True while there is a row to read.
    bool step() {
        const int rc = sqlite3_step(statement_.get());
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        fail(db_, rc, "settings query failed");
    }

    std::int64_t integer(int column) const {
        return sqlite3_column_int64(statement_.get(), column);
    }
    std::string bytes(int column) const {
        const void* data = sqlite3_column_blob(statement_.get(), column);
        const int size = sqlite3_column_bytes(statement_.get(), column);
        return data ? std::string(static_cast<const char*>(data), size) : std::string();
    }

  private:
    void check(int rc) {
        if (rc != SQLITE_OK) fail(db_, rc, "cannot bind settings query");
    }

    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement_;
};

void exec(sqlite3* db, const char* sql, const char* doing) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail(db, rc, doing);
}

// Begins at construction; rolls back unless committed.
class Transaction {
  public:
    enum Mode { Read, Write };
    Transaction(sqlite3* db, Mode mode) : db_(db) {
        // A writer takes the write lock at once: a read lock upgraded later can
        // deadlock with another writer, and SQLite then fails without waiting.
        exec(db, mode == Write ? "BEGIN IMMEDIATE" : "BEGIN", "cannot begin settings transaction");
    }
    ~Transaction() {
        if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        exec(db_, "COMMIT", "cannot commit settings");
        done_ = true;
    }

  private:
    sqlite3* db_;
    bool done_ = false;
};

std::vector<std::string_view> splitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    if (path.empty()) return parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part = path.substr(start, end - start);
        if (part.empty())
            throw RegistryError(RegistryError::Kind::InvalidName, 0,
                                "invalid settings key path: \"" + std::string(path) + "\"");
        parts.push_back(part);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return parts;
}

std::optional<std::int64_t> childKey(sqlite3* db, std::int64_t parent, std::string_view name) {
    Statement find(db, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2 AND id <> ?1");
    find.bind(1, parent).bindText(2, foldName(name));
    if (!find.step()) return std::nullopt;
    return find.integer(0);
}

std::optional<std::int64_t> findKey(sqlite3* db, std::string_view path) {
    std::int64_t id = kRootId;
    for (std::string_view part : splitPath(path)) {
        const auto child = childKey(db, id, part);
        if (!child) return std::nullopt;
        id = *child;
    }
    return id;
}

std::int64_t makeKey(sqlite3* db, std::string_view path) {
    std::int64_t id = kRootId;
    for (std::string_view part : splitPath(path)) {
        if (const auto child = childKey(db, id, part)) {
            id = *child;
            continue;
        }
        Statement insert(db, "INSERT INTO keys(parent, name, folded) VALUES (?1, ?2, ?3)");
        insert.bind(1, id).bindText(2, part).bindText(3, foldName(part));
        insert.step();
        id = sqlite3_last_insert_rowid(db);
    }
    return id;
}

int pragmaInteger(sqlite3* db, const char* sql) {
    Statement pragma(db, sql);
    return pragma.step() ? static_cast<int>(pragma.integer(0)) : 0;
}

// The file is created by us, not by SQLite, so that it never exists with
// wider permissions than 0600, whatever the umask. SQLite gives its journal
// the same mode.
void createPrivately(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    // An existing file is opened as it is; other failures show when SQLite tries.
}

// A file with bytes that do not begin like an SQLite database is refused
// before SQLite opens it: SQLite would take a journal beside it for a hot one
// and delete it, and that journal belongs to whoever made the file.
void refuseForeignBytes(const std::filesystem::path& file) {
    static constexpr char kHeader[] = "SQLite format 3";  // with its NUL: 16 bytes
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;  // SQLite will say why
    char header[sizeof kHeader];
    ssize_t got = 0;
    do {
        got = ::read(fd, header, sizeof header);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got <= 0) return;  // empty: a new store; unreadable: SQLite will say why
    if (got < static_cast<ssize_t>(sizeof header) ||
        std::memcmp(header, kHeader, sizeof header) != 0)
        throw RegistryError(RegistryError::Kind::Unreadable, SQLITE_NOTADB,
                            file.string() + " is not a database");
}

}  // namespace

void RegistryStore::Closer::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

RegistryStore::RegistryStore(const std::filesystem::path& file) : file_(file) {
    createPrivately(file);
    refuseForeignBytes(file);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) fail(raw, rc, "cannot open settings file " + file.string());
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    exec(raw, "PRAGMA foreign_keys = ON", "cannot configure settings file");
    initialise();
}

RegistryStore::~RegistryStore() = default;
RegistryStore::RegistryStore(RegistryStore&&) noexcept = default;
RegistryStore& RegistryStore::operator=(RegistryStore&&) noexcept = default;

void RegistryStore::initialise() {
    sqlite3* db = db_.get();
    // True when the file is a store; false when it is empty and may become one.
    auto check = [&] {
        const int applicationId = pragmaInteger(db, "PRAGMA application_id");
        if (applicationId == kApplicationId) return true;
        const int objects = pragmaInteger(db, "SELECT count(*) FROM sqlite_schema");
        if (applicationId != 0 || objects != 0)
            throw RegistryError(RegistryError::Kind::Unreadable, 0,
                                file_.string() + " is not a Lexmill settings file");
        return false;
    };
    {
        Transaction read(db, Transaction::Read);
        const bool ready = check();
        read.commit();
        if (ready) return;
    }
    // An empty file: make it a store. Another process may be doing the same,
    // so look again under the write lock.
    Transaction write(db, Transaction::Write);
    if (check()) return;
    exec(db, kSchema, "cannot create settings file");
    exec(db, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str(),
         "cannot create settings file");
    exec(db, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str(),
         "cannot create settings file");
    write.commit();
}

void RegistryStore::createKey(std::string_view path) {
    Transaction t(db_.get(), Transaction::Write);
    makeKey(db_.get(), path);
    t.commit();
}

bool RegistryStore::keyExists(std::string_view path) {
    Transaction t(db_.get(), Transaction::Read);
    const bool exists = findKey(db_.get(), path).has_value();
    t.commit();
    return exists;
}

std::optional<RegistryValue> RegistryStore::queryValue(std::string_view path,
                                                       std::string_view name) {
    sqlite3* db = db_.get();
    Transaction t(db, Transaction::Read);
    std::optional<RegistryValue> value;
    if (const auto key = findKey(db, path)) {
        Statement query(db, "SELECT name, type, data FROM vals WHERE key = ?1 AND folded = ?2");
        query.bind(1, *key).bindText(2, foldName(name));
        if (query.step())
            value = RegistryValue{query.bytes(0), static_cast<std::uint32_t>(query.integer(1)),
                                  query.bytes(2)};
    }
    t.commit();
    return value;
}

std::optional<std::vector<RegistryValue>> RegistryStore::enumValues(std::string_view path) {
    sqlite3* db = db_.get();
    Transaction t(db, Transaction::Read);
    std::optional<std::vector<RegistryValue>> values;
    if (const auto key = findKey(db, path)) {
        values.emplace();
        Statement query(db, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY seq");
        query.bind(1, *key);
        while (query.step())
            values->push_back(RegistryValue{
                query.bytes(0), static_cast<std::uint32_t>(query.integer(1)), query.bytes(2)});
    }
    t.commit();
    return values;
}

std::optional<std::vector<std::string>> RegistryStore::enumKeys(std::string_view path) {
    sqlite3* db = db_.get();
    Transaction t(db, Transaction::Read);
    std::optional<std::vector<std::string>> names;
    if (const auto key = findKey(db, path)) {
        names.emplace();
        Statement query(db, "SELECT name FROM keys WHERE parent = ?1 AND id <> ?1 ORDER BY id");
        query.bind(1, *key);
        while (query.step()) names->push_back(query.bytes(0));
    }
    t.commit();
    return names;
}

void RegistryStore::setValue(std::string_view path, std::string_view name, std::uint32_t type,
                             std::string_view data) {
    sqlite3* db = db_.get();
    Transaction t(db, Transaction::Write);
    const std::int64_t key = makeKey(db, path);
    // On a second write the name keeps its first spelling and the value its place.
    Statement upsert(db,
                     "INSERT INTO vals(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                     "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, "
                     "data = excluded.data");
    upsert.bind(1, key).bindText(2, name).bindText(3, foldName(name)).bind(4, type);
    upsert.bindBlob(5, data);
    upsert.step();
    t.commit();
}

bool RegistryStore::deleteValue(std::string_view path, std::string_view name) {
    sqlite3* db = db_.get();
    Transaction t(db, Transaction::Write);
    bool deleted = false;
    if (const auto key = findKey(db, path)) {
        Statement remove(db, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
        remove.bind(1, *key).bindText(2, foldName(name));
        remove.step();
        deleted = sqlite3_changes(db) > 0;
    }
    t.commit();
    return deleted;
}

bool RegistryStore::deleteKey(std::string_view path) {
    if (splitPath(path).empty())
        throw RegistryError(RegistryError::Kind::InvalidName, 0,
                            "the root of the settings cannot be deleted");
    sqlite3* db = db_.get();
    Transaction t(db, Transaction::Write);
    bool deleted = false;
    if (const auto key = findKey(db, path)) {
        Statement remove(db, "DELETE FROM keys WHERE id = ?1");
        remove.bind(1, *key);
        remove.step();
        deleted = true;
    }
    t.commit();
    return deleted;
}

std::size_t RegistryStore::salvageFrom(const std::filesystem::path& damaged) {
    try {
        refuseForeignBytes(damaged);
    } catch (const RegistryError&) {
        return 0;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(damaged.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, Closer> source(raw);
    if (rc != SQLITE_OK) return 0;
    sqlite3_extended_result_codes(raw, 1);

    // A scan stops at the first damaged page, so rows are fetched one by one
    // by their number: every row on a sound page comes back. The highest
    // number is asked for; when even that fails, the file's size bounds it.
    auto highest = [&](const char* sql) -> std::int64_t {
        try {
            Statement query(raw, sql);
            if (query.step()) return query.integer(0);
        } catch (const RegistryError&) {
        }
        std::error_code error;
        const auto size = std::filesystem::file_size(damaged, error);
        return error ? 0 : static_cast<std::int64_t>(size / 4);
    };
    struct Key {
        std::int64_t id;
        std::string path;
    };
    std::vector<Key> keys;  // parents before children: a key is made after its parent
    std::vector<std::pair<std::int64_t, RegistryValue>> values;  // by key id
    try {
        if (pragmaInteger(raw, "PRAGMA application_id") != kApplicationId) return 0;
    } catch (const RegistryError&) {
        return 0;
    }
    const std::int64_t lastKey = highest("SELECT max(id) FROM keys");
    for (std::int64_t id = kRootId + 1; id <= lastKey; ++id) {
        try {
            Statement query(raw, "SELECT parent, name FROM keys WHERE id = ?1");
            query.bind(1, id);
            if (!query.step()) continue;
            const std::int64_t parent = query.integer(0);
            const std::string name = query.bytes(1);
            if (name.empty() || name.find('\\') != std::string::npos) continue;
            if (parent == kRootId) {
                keys.push_back({id, name});
                continue;
            }
            for (const Key& key : keys)
                if (key.id == parent) {
                    keys.push_back({id, key.path + "\\" + name});
                    break;
                }
        } catch (const RegistryError&) {
        }
    }
    const std::int64_t lastValue = highest("SELECT max(seq) FROM vals");
    for (std::int64_t seq = 1; seq <= lastValue; ++seq) {
        try {
            Statement query(raw, "SELECT key, name, type, data FROM vals WHERE seq = ?1");
            query.bind(1, seq);
            if (query.step())
                values.emplace_back(
                    query.integer(0),
                    RegistryValue{query.bytes(1), static_cast<std::uint32_t>(query.integer(2)),
                                  query.bytes(3)});
        } catch (const RegistryError&) {
        }
    }
    source.reset();

    sqlite3* db = db_.get();
    Transaction t(db, Transaction::Write);
    std::vector<std::pair<std::int64_t, std::int64_t>> ids;  // old id -> new id
    for (const Key& key : keys) ids.emplace_back(key.id, makeKey(db, key.path));
    std::size_t copied = 0;
    for (const auto& [oldKey, value] : values) {
        const auto key = std::find_if(ids.begin(), ids.end(),
                                      [&](const auto& pair) { return pair.first == oldKey; });
        if (key == ids.end() && oldKey != kRootId) continue;  // its key was lost
        Statement insert(db,
                         "INSERT INTO vals(key, name, folded, type, data) "
                         "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT(key, folded) DO NOTHING");
        insert.bind(1, key == ids.end() ? kRootId : key->second);
        insert.bindText(2, value.name).bindText(3, foldName(value.name));
        insert.bind(4, value.type).bindBlob(5, value.data);
        insert.step();
        copied += static_cast<std::size_t>(sqlite3_changes(db));
    }
    t.commit();
    return copied;
}

std::string RegistryStore::integrityProblems() {
    Statement check(db_.get(), "PRAGMA quick_check");
    std::string problems;
    while (check.step()) {
        const std::string line = check.bytes(0);
        if (line == "ok") continue;
        if (!problems.empty()) problems += '\n';
        problems += line;
    }
    return problems;
}

}  // namespace lexmill
