// SPDX-License-Identifier: Apache-2.0
/*
 * A served table of 30 000 points: the whole interrogation answer and two
 * consecutive periodic reports reach a master that acknowledges every frame
 * (w = 1) and one that acknowledges every 8 frames (or after a short quiet
 * time, its t2). Expected values are computed from the rows inserted here.
 */
#include "gateway_sandbox.h"

#include "fakes/proc_usage.h"

#include <cstdio>
#include <fstream>
#include <map>

namespace qxtest
{
namespace
{

/* tbBig: 3000 rows of 10 values from IOA 0x4A00 on, divisor 1, value SID * 16 + column. */
const int kBigBase = 0x4A00;
const int kBigRows = 3000;
const int kBigColumns = 10;
const int kBigPoints = kBigRows * kBigColumns;
/* Every ASDU of one report: 36 status, 14 Modbus, tbPower, tbEnv, 30 000 / 28 rounded up. */
const size_t kReportAsdus = 36 + 14 + 1 + 1 + (kBigPoints + 27) / 28;
/* The master's t2: it acknowledges fewer than w frames after this quiet time. */
const int kMasterT2Ms = 100;

float bigValue(int ioa)
{
    int index = ioa - kBigBase;
    return static_cast<float>((index / kBigColumns + 1) * 16 + index % kBigColumns + 1);
}

std::string bigTableSql()
{
    std::string sql = "create table tbBig (SID integer, Type integer, Name text, Addr integer, "
                      "Port integer, Online integer, Ctime text, Rsv integer";
    std::string values;
    for (int c = 1; c <= kBigColumns; ++c) {
        char column[16];
        std::snprintf(column, sizeof column, ", V%02d integer", c);
        sql += column;
        values += ", i * 16 + " + std::to_string(c);
    }
    sql += ");with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
           std::to_string(kBigRows) + ") insert into tbBig select i, 2404, 'x', 0, 0, 0, '', 0" +
           values + " from n;";
    for (int c = 1; c <= kBigColumns; ++c)
        sql += "insert into tbSMDef values (2404, " + std::to_string(c) + ", 1);";
    return sql;
}

/* Resident memory of a process in KiB (VmRSS), -1 when unknown. */
long residentKiB(pid_t pid)
{
    return ProcStatusKb(pid, "VmRSS:");
}

/* A master that acknowledges after w I frames, or after kMasterT2Ms without any. */
class AckingMaster
{
  public:
    explicit AckingMaster(int w) : w_(w) {}

    bool connectActive()
    {
        if (!master_.connect(kGatewayPort) || !master_.sendU(U_STARTDT_ACT))
            return false;
        std::optional<Apdu> con = master_.receive(3000);
        return con && con->isU(U_STARTDT_CON);
    }

    bool sendAsdu(const Octets& asdu)
    {
        unacknowledged_ = 0;
        return master_.sendI(asdu);
    }

    /* Collects I frames until done(frames) holds or timeoutMs pass. */
    bool collect(std::vector<IFrame>& frames,
                 const std::function<bool(const std::vector<IFrame>&)>& done, int timeoutMs)
    {
        int64_t deadline = monotonicMs() + timeoutMs;
        while (!done(frames)) {
            if (unacknowledged_ > 0 && master_.quietFor(kMasterT2Ms))
                acknowledge();
            int64_t left = deadline - monotonicMs();
            if (left <= 0)
                return false;
            std::optional<Apdu> apdu = master_.receive(static_cast<int>(left));
            if (!apdu)
                return done(frames);
            if (apdu->isU(U_TESTFR_ACT))
                master_.sendU(U_TESTFR_CON);
            if (!apdu->isI())
                continue;
            frames.push_back(toIFrame(*apdu));
            if (++unacknowledged_ >= w_)
                acknowledge();
        }
        return true;
    }

  private:
    void acknowledge()
    {
        master_.sendS();
        unacknowledged_ = 0;
    }

    RawMaster master_;
    int w_;
    int unacknowledged_ = 0;
};

/* Every point of tbBig in the frames: IOA -> (value, times received); checks the cause. */
std::map<int, std::pair<float, int>> bigPoints(const std::vector<IFrame>& frames, size_t first,
                                               size_t count, int cot)
{
    std::map<int, std::pair<float, int>> points;
    for (size_t i = first; i < first + count && i < frames.size(); ++i) {
        for (const PointValue& p : decodePoints(frames[i])) {
            if (frames[i].type != 13 || p.ioa < kBigBase)
                continue;
            EXPECT_EQ(cot, frames[i].cot) << "IOA " << p.ioa;
            auto& entry = points[p.ioa];
            entry.first = static_cast<float>(p.value);
            entry.second++;
        }
    }
    return points;
}

/* Information objects in count frames from first on. */
long pointsIn(const std::vector<IFrame>& frames, size_t first, size_t count)
{
    long points = 0;
    for (size_t i = first; i < first + count && i < frames.size(); ++i)
        points += static_cast<long>(decodePoints(frames[i]).size());
    return points;
}

/* Every IOA of tbBig exactly once with its value. */
void expectWholeTable(const std::map<int, std::pair<float, int>>& points, const std::string& what)
{
    EXPECT_EQ(static_cast<size_t>(kBigPoints), points.size()) << what;
    int wrong = 0;
    for (int ioa = kBigBase; ioa < kBigBase + kBigPoints; ++ioa) {
        auto it = points.find(ioa);
        if (it == points.end() || it->second.second != 1 || it->second.first != bigValue(ioa))
            ++wrong;
    }
    EXPECT_EQ(0, wrong) << what << ": IOAs missing, repeated or with a wrong value";
}

class GatewayLargeTable : public GatewaySandbox, public ::testing::WithParamInterface<int>
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        ASSERT_TRUE(execSql(dataDb(), bigTableSql()));
        std::string ini = readFile(work_ + "/qxSvr.ini");
        ini.replace(ini.find("[Svr.BaseAddr]\n"), 15, "[Svr.BaseAddr]\ntbBig=4A00\n");
        ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
    }

    void report(const char* what, long value)
    {
        std::printf("[ w=%d ] %s: %ld\n", GetParam(), what, value);
    }
};

TEST_P(GatewayLargeTable, Interrogation_EveryPointArrivesOnceWithValueAndCause)
{
    setPeriodic("0");
    startGateway();
    long residentBefore = residentKiB(gateway_.pid());
    AckingMaster master(GetParam());
    ASSERT_TRUE(master.connectActive());
    int64_t start = monotonicMs();
    ASSERT_TRUE(master.sendAsdu(interrogationAsdu(0x06)));
    std::vector<IFrame> frames;
    int bigSeen = 0;
    size_t counted = 0;
    master.collect(
        frames,
        [&](const std::vector<IFrame>& f) {
            for (; counted < f.size(); ++counted)
                for (const PointValue& p : decodePoints(f[counted]))
                    bigSeen += f[counted].type == 13 && p.ioa >= kBigBase;
            return bigSeen >= kBigPoints && framesOf(f, 1, 1).size() >= 34;
        },
        20000);
    int64_t took = monotonicMs() - start;
    master.collect(
        frames, [](const std::vector<IFrame>&) { return false; }, 300); /* nothing more */

    expectWholeTable(bigPoints(frames, 0, frames.size(), 20), "answer");
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(7, frames.front().cot) << "activation confirmation first";
    EXPECT_EQ(2u, framesOf(frames, 1, 20).size());
    EXPECT_EQ(34u, framesOf(frames, 1, 1).size());
    /* tbBig's ASDUs follow one another in address order. */
    int lastIoa = 0;
    for (const IFrame& f : framesOf(frames, 13, 20)) {
        for (const PointValue& p : decodePoints(f)) {
            if (p.ioa < kBigBase)
                continue;
            EXPECT_GT(p.ioa, lastIoa);
            lastIoa = p.ioa;
        }
    }
    report("interrogation ASDUs received", static_cast<long>(frames.size()));
    report("interrogation tbBig points received", bigSeen);
    report("interrogation points received", pointsIn(frames, 0, frames.size()));
    report("interrogation answer ms", static_cast<long>(took));
    report("resident KiB before", residentBefore);
    report("resident KiB after", residentKiB(gateway_.pid()));
}

TEST_P(GatewayLargeTable, PeriodicReports_TwoConsecutiveArriveWhole)
{
    setPeriodic("3");
    startGateway();
    long residentBefore = residentKiB(gateway_.pid());
    AckingMaster master(GetParam());
    ASSERT_TRUE(master.connectActive());
    std::vector<IFrame> frames;
    int64_t start = 0;
    master.collect(
        frames,
        [&](const std::vector<IFrame>& f) {
            if (f.size() == 1 && start == 0)
                start = monotonicMs(); /* the first report's first ASDU */
            return f.size() >= 2 * kReportAsdus;
        },
        20000);
    int64_t took = monotonicMs() - start;
    ASSERT_GE(frames.size(), 2 * kReportAsdus) << gateway_.transcript();
    for (size_t r = 0; r < 2; ++r) {
        size_t first = r * kReportAsdus;
        std::vector<PointValue> head = decodePoints(frames[first]);
        ASSERT_FALSE(head.empty());
        EXPECT_EQ(1, frames[first].type) << "report " << r;
        EXPECT_EQ(1, head.front().ioa) << "report " << r << " begins with status IOA 1";
        for (size_t i = first; i < first + kReportAsdus; ++i)
            ASSERT_EQ(1, frames[i].cot) << "report " << r << " ASDU " << i - first;
        expectWholeTable(bigPoints(frames, first, kReportAsdus, 1), "report " + std::to_string(r));
    }
    report("report ASDUs", static_cast<long>(kReportAsdus));
    report("report points", pointsIn(frames, 0, kReportAsdus));
    report("two reports ms", static_cast<long>(took));
    report("resident KiB before", residentBefore);
    report("resident KiB after", residentKiB(gateway_.pid()));
}

INSTANTIATE_TEST_SUITE_P(Acknowledging, GatewayLargeTable, ::testing::Values(1, 8),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "w" + std::to_string(info.param);
                         });

} // namespace
} // namespace qxtest
