// SPDX-License-Identifier: Apache-2.0
#include "CppSQLite3.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>
#include <typeinfo>

TEST(CppSQLite3Exception, Constructor_ComposesNameCodeAndText)
{
    struct Case {
        int code;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {1, "no table", "SQLITE_ERROR[1]: no table"},
        {1000, "boom", "CPPSQLITE_ERROR[1000]: boom"},
        {5, nullptr, "SQLITE_BUSY[5]: "},
        {0, "", "SQLITE_OK[0]: "},
        {25, "r", "SQLITE_RANGE[25]: r"},
        {26, "x", "UNKNOWN_ERROR[26]: x"},
        {999, "x", "UNKNOWN_ERROR[999]: x"},
        {-1, "neg", "UNKNOWN_ERROR[-1]: neg"},
        {SQLITE_ERROR_MISSING_COLLSEQ, "ext", "UNKNOWN_ERROR[257]: ext"},
        {100, "row", "SQLITE_ROW[100]: row"},
        {101, "done", "SQLITE_DONE[101]: done"},
    };
    for (const Case& c : cases) {
        CppSQLite3Exception e(c.code, c.text, DONT_DELETE_MSG);
        EXPECT_EQ(c.code, e.errorCode());
        EXPECT_STREQ(c.message, e.errorMessage());
    }
}

TEST(CppSQLite3Exception, ErrorCodeAsString_NamesEveryPrimaryCode)
{
    const char* names[] = {
        "SQLITE_OK",       "SQLITE_ERROR",     "SQLITE_INTERNAL", "SQLITE_PERM",
        "SQLITE_ABORT",    "SQLITE_BUSY",      "SQLITE_LOCKED",   "SQLITE_NOMEM",
        "SQLITE_READONLY", "SQLITE_INTERRUPT", "SQLITE_IOERR",    "SQLITE_CORRUPT",
        "SQLITE_NOTFOUND", "SQLITE_FULL",      "SQLITE_CANTOPEN", "SQLITE_PROTOCOL",
        "SQLITE_EMPTY",    "SQLITE_SCHEMA",    "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH", "SQLITE_MISUSE",    "SQLITE_NOLFS",    "SQLITE_AUTH",
        "SQLITE_FORMAT",   "SQLITE_RANGE",
    };
    for (int code = 0; code <= 25; ++code)
        EXPECT_STREQ(names[code], CppSQLite3Exception::errorCodeAsString(code)) << code;
    EXPECT_STREQ("SQLITE_ROW", CppSQLite3Exception::errorCodeAsString(100));
    EXPECT_STREQ("SQLITE_DONE", CppSQLite3Exception::errorCodeAsString(101));
    EXPECT_STREQ("CPPSQLITE_ERROR", CppSQLite3Exception::errorCodeAsString(1000));
    for (int code : {26, 99, 102, 256 + 5, 1001, -100})
        EXPECT_STREQ("UNKNOWN_ERROR", CppSQLite3Exception::errorCodeAsString(code)) << code;
}

TEST(CppSQLite3Exception, KeepFlag_LeavesCallerTextIntact)
{
    char text[] = "caller text";
    {
        CppSQLite3Exception e(1, text, DONT_DELETE_MSG);
        text[0] = 'C';
        EXPECT_STREQ("SQLITE_ERROR[1]: caller text", e.errorMessage());
    }
    EXPECT_STREQ("Caller text", text);
}

TEST(CppSQLite3Exception, DeleteFlag_ReleasesSqliteText)
{
    const sqlite3_int64 before = sqlite3_memory_used();
    {
        char* text = sqlite3_mprintf("allocated %s", "by sqlite");
        CppSQLite3Exception e(1, text, true);
        EXPECT_STREQ("SQLITE_ERROR[1]: allocated by sqlite", e.errorMessage());
    }
    EXPECT_EQ(before, sqlite3_memory_used());
    CppSQLite3Exception nullText(1, nullptr, true);
    EXPECT_STREQ("SQLITE_ERROR[1]: ", nullText.errorMessage());
}

TEST(CppSQLite3Exception, Copy_OwnsItsOwnMessage)
{
    CppSQLite3Exception* source = new CppSQLite3Exception(19, "unique", DONT_DELETE_MSG);
    CppSQLite3Exception copy(*source);
    EXPECT_NE(source->errorMessage(), copy.errorMessage());
    EXPECT_STREQ(source->errorMessage(), copy.errorMessage());
    delete source;
    EXPECT_EQ(19, copy.errorCode());
    EXPECT_STREQ("SQLITE_CONSTRAINT[19]: unique", copy.errorMessage());

    CppSQLite3Exception assigned(1, "old", DONT_DELETE_MSG);
    assigned = copy;
    EXPECT_EQ(19, assigned.errorCode());
    EXPECT_STREQ("SQLITE_CONSTRAINT[19]: unique", assigned.errorMessage());
    EXPECT_NE(copy.errorMessage(), assigned.errorMessage());
}

TEST(CppSQLite3Exception, ThrownAndRethrown_CaughtByReferenceWithMessage)
{
    try {
        try {
            throw CppSQLite3Exception(CPPSQLITE_ERROR, "inner", DONT_DELETE_MSG);
        } catch (CppSQLite3Exception&) {
            throw;
        }
    } catch (const CppSQLite3Exception& e) {
        EXPECT_STREQ("CPPSQLITE_ERROR[1000]: inner", e.errorMessage());
    }
}

namespace
{

/* Loads the thrower module; closed again when the test ends. */
class ThrowerModule
{
  public:
    ThrowerModule() : m_handle(dlopen(QX_EXCEPTION_THROWER, RTLD_NOW)) {}
    ~ThrowerModule()
    {
        if (m_handle)
            dlclose(m_handle);
    }
    void* handle() const { return m_handle; }
    template <typename F> F get(const char* name) const
    {
        return reinterpret_cast<F>(dlsym(m_handle, name));
    }

  private:
    void* m_handle;
};

} // namespace

TEST(CppSQLite3ExceptionAcrossLibrary, ThrowInLoadedModule_CaughtByReferenceInProgram)
{
    ThrowerModule module;
    ASSERT_NE(nullptr, module.handle()) << dlerror();
    auto throwWrapper = module.get<void (*)(const char*)>("qx_throw_wrapper_error");
    auto throwAllocated = module.get<void (*)(int)>("qx_throw_allocated_text");
    ASSERT_NE(nullptr, throwWrapper);
    ASSERT_NE(nullptr, throwAllocated);

    bool caught = false;
    try {
        throwWrapper("from the module");
    } catch (CppSQLite3Exception& e) {
        caught = true;
        EXPECT_TRUE(typeid(e) == typeid(CppSQLite3Exception));
        EXPECT_EQ(CPPSQLITE_ERROR, e.errorCode());
        EXPECT_STREQ("CPPSQLITE_ERROR[1000]: from the module", e.errorMessage());
    } catch (...) {
        ADD_FAILURE() << "exception from the module not matched by its type";
    }
    EXPECT_TRUE(caught);

    const sqlite3_int64 before = sqlite3_memory_used();
    caught = false;
    try {
        throwAllocated(SQLITE_BUSY);
    } catch (const CppSQLite3Exception& e) {
        caught = true;
        EXPECT_EQ(SQLITE_BUSY, e.errorCode());
        EXPECT_STREQ("SQLITE_BUSY[5]: module text 5", e.errorMessage());
    } catch (...) {
        ADD_FAILURE() << "exception from the module not matched by its type";
    }
    EXPECT_TRUE(caught);
    EXPECT_EQ(before, sqlite3_memory_used());
}
