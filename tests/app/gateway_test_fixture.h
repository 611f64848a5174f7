// SPDX-License-Identifier: Apache-2.0
/*
 * Shared fixture of the gateway's data-store tests: a working directory of
 * its own under the test's scratch folder with the demo data set, the
 * configuration database in a flash folder beside it, and the real
 * libqxdb.so linked in as "./libqxdb.so". The fixture changes into the
 * directory (the gateway opens its files relative to it) and back after.
 */
#ifndef GATEWAY_TEST_FIXTURE_H
#define GATEWAY_TEST_FIXTURE_H

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CppSQLite3.h"
#include "SvrWrapper104b.h"

class GatewayTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;

    /* Runs SQL on the live-data or the configuration database directly. */
    void Data(const std::string& sql);
    void Cfg(const std::string& sql);
    /* Integer result of a query on the live-data database. */
    int DataScalar(const std::string& sql);
    /* Replaces qxSvr.ini. */
    void WriteIni(const std::string& text);

    /* A new gateway pointed at this test's configuration database. */
    std::unique_ptr<CSvrWrapper104> MakeGateway();
    /* MakeGateway + Init with console output captured into *out. */
    std::unique_ptr<CSvrWrapper104> InitGateway(std::string* out = nullptr);

    /*
     * Runs the current test again, alone, in a new process of this program
     * and expects it to pass; true in the calling process, which then
     * returns at once, false in the new process, which runs the test body.
     * For tests that load a different library as "./libqxdb.so": the loader
     * keeps such a library under that name for the rest of the process, so
     * later tests of the same process would get it instead of the real one.
     */
    bool RunInFreshProcess();

    /* Console output of one call. */
    template <typename F> static std::string Capture(F body)
    {
        ::testing::internal::CaptureStdout();
        body();
        return ::testing::internal::GetCapturedStdout();
    }

    std::string m_dir;
    std::string m_cfgPath;
    std::string m_oldCwd;
};

/* Expected measured value: raw / divisor, computed in double, stored as float. */
inline float Scaled(int raw, int divisor)
{
    return static_cast<float>(static_cast<double>(raw) / divisor);
}

#endif
