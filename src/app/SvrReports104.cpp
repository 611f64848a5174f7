/*
 * SvrReports104.cpp - the gateway's interrogation answers and periodic
 * reports (see SvrWrapper104b.h).
 */
#include <cstdio>
#include <string>
#include <vector>

#include "SvrWrapper104b.h"

/* ------------------------------------------------------------------------
 * Slave wiring, callbacks, interrogation answers and periodic reports.
 *
 * Reports are sent from one snapshot of the published point image: a report
 * or an interrogation answer reads all its ranges from the same refresh,
 * never from a mix of two.
 *
 * ASDUs are made lazily, when the first object of a group is added, so a
 * range without points, and the group after a range that is an exact multiple
 * of 28 points, send nothing rather than an ASDU without objects.
 * ------------------------------------------------------------------------ */

namespace
{

/* At most this many information objects per ASDU. */
const int kObjectsPerAsdu = 28;
/* Offset of the station 50 status ranges from those of station 49. */
const int kStation50StatusOffset = 512;
/* Offset of the station 50 measured ranges from those of station 49. */
const int kStation50MeasuredOffset = 1280;
/* Qualifier of a station interrogation. */
const uint8_t kStationQoi = 20;

struct IoaRange {
    int first;
    int last;
};

/* Status points answered on the interrogating connection with cause 20. */
const IoaRange kStationStatus[] = {{1, 8}, {9, 29}};

/* Status points of station 49; station 50's are the same plus 512. */
const IoaRange kStation49Status[] = {{256, 270}, {272, 280}, {304, 323}, {336, 350}, {352, 366},
                                     {368, 382}, {384, 398}, {400, 414}, {416, 439}, {448, 469},
                                     {480, 482}, {496, 519}, {528, 551}, {560, 583}, {592, 617},
                                     {624, 649}, {656, 681}};

/* Measured values of tbModbusDat for station 49; station 50's are plus 1280. */
const IoaRange kStation49Measured[] = {{16513, 16519}, {16527, 16537}, {16641, 16670},
                                       {16897, 16920}, {17153, 17176}, {17409, 17432}};

const char kModbusTable[] = "tbModbusDat";

/*
 * Collects information objects into ASDUs of at most 28 and hands each full
 * ASDU to the connection (cause 20) or, without a connection, to the slave's
 * queue (cause 1). An ASDU is created only when its first object arrives.
 */
class AsduBatch
{
  public:
    AsduBatch(CS104_Slave slave, IMasterConnection connection, CS101_AppLayerParameters parameters,
              int oa, int ca)
        : m_slave(slave), m_connection(connection), m_parameters(parameters), m_oa(oa), m_ca(ca)
    {
    }
    ~AsduBatch() { Flush(); }
    AsduBatch(const AsduBatch&) = delete;
    AsduBatch& operator=(const AsduBatch&) = delete;

    void Add(InformationObject io)
    {
        if (m_asdu == nullptr) {
            CS101_CauseOfTransmission cot =
                m_connection != nullptr ? CS101_COT_INTERROGATED_BY_STATION : CS101_COT_PERIODIC;
            m_asdu = CS101_ASDU_create(m_parameters, false, cot, m_oa, m_ca, false, false);
            if (m_asdu == nullptr)
                return; /* out of memory: this object is not reported */
        }
        CS101_ASDU_addInformationObject(m_asdu, io);
        if (++m_count == kObjectsPerAsdu)
            Flush();
    }

    /* Sends the ASDU in progress, if it holds any object. */
    void Flush()
    {
        if (m_asdu == nullptr)
            return;
        if (m_count > 0) {
            if (m_connection != nullptr)
                IMasterConnection_sendASDU(m_connection, m_asdu);
            else
                CS104_Slave_enqueueASDU(m_slave, m_asdu);
        }
        CS101_ASDU_destroy(m_asdu);
        m_asdu = nullptr;
        m_count = 0;
    }

  private:
    CS104_Slave m_slave;
    IMasterConnection m_connection;
    CS101_AppLayerParameters m_parameters;
    int m_oa;
    int m_ca;
    CS101_ASDU m_asdu = nullptr;
    int m_count = 0;
};

/* ASDUs of at most 28 objects for count points (0 for none). */
int AsdusFor(int count)
{
    return count > 0 ? (count + kObjectsPerAsdu - 1) / kObjectsPerAsdu : 0;
}

template <size_t N> int AsdusFor(const IoaRange (&ranges)[N])
{
    int asdus = 0;
    for (const IoaRange& r : ranges)
        asdus += AsdusFor(r.last - r.first + 1);
    return asdus;
}

/* Clips an IOA range to the IOAs that have an image entry. */
IoaRange ClipToImage(int first, int last, int lowestIoa, int points)
{
    IoaRange r = {first < lowestIoa ? lowestIoa : first, last};
    int highestIoa = lowestIoa + points - 1;
    if (r.last > highestIoa)
        r.last = highestIoa;
    return r;
}

} // namespace

void CSvrWrapper104::SendStatus(const PointImage& img, CS101_AppLayerParameters parameters,
                                int first, int last, IMasterConnection connection)
{
    IoaRange r = ClipToImage(first, last, 1, PointImage::kStatusPoints);
    AsduBatch batch(m_slave, connection, parameters, m_oa, m_ca);
    /* One object serves every point: it is encoded into the ASDU when added. */
    SinglePointInformation point = nullptr;
    for (int ioa = r.first; ioa <= r.last; ++ioa) {
        point = SinglePointInformation_create(point, ioa, img.status[ioa - 1] != 0,
                                              img.statusQuality[ioa - 1]);
        if (point == nullptr)
            return; /* out of memory */
        batch.Add(reinterpret_cast<InformationObject>(point));
    }
    if (point != nullptr)
        SinglePointInformation_destroy(point);
}

void CSvrWrapper104::SendMeasured(const PointImage& img, CS101_AppLayerParameters parameters,
                                  int first, int last, IMasterConnection connection)
{
    IoaRange r =
        ClipToImage(first, last, PointImage::kMeasuredIoaBase, PointImage::kMeasuredPoints);
    AsduBatch batch(m_slave, connection, parameters, m_oa, m_ca);
    MeasuredValueShort value = nullptr;
    for (int ioa = r.first; ioa <= r.last; ++ioa) {
        value =
            MeasuredValueShort_create(value, ioa, img.measured[ioa - PointImage::kMeasuredIoaBase],
                                      img.measuredQuality[ioa - PointImage::kMeasuredIoaBase]);
        if (value == nullptr)
            return; /* out of memory */
        batch.Add(reinterpret_cast<InformationObject>(value));
    }
    if (value != nullptr)
        MeasuredValueShort_destroy(value);
}

void CSvrWrapper104::YX(CS101_AppLayerParameters parameters, int first, int last,
                        IMasterConnection connection)
{
    PointImageSnapshot img = Snapshot();
    SendStatus(*img, parameters, first, last, connection);
}

void CSvrWrapper104::YC(CS101_AppLayerParameters parameters, int first, int last,
                        IMasterConnection connection)
{
    PointImageSnapshot img = Snapshot();
    SendMeasured(*img, parameters, first, last, connection);
}

std::vector<AnswerRange> CSvrWrapper104::AnswerRanges(const PointImage& img) const
{
    std::vector<AnswerRange> ranges;
    auto add = [&ranges](bool measured, int first, int last, int cause, const std::string& what) {
        ranges.push_back({measured, first, last, cause, what});
    };
    for (const IoaRange& r : kStationStatus)
        add(false, r.first, r.last, CS101_COT_INTERROGATED_BY_STATION, "");
    /* The 34 status ranges of stations 49 and 50 go to the queue, cause 1;
     * strict: on the interrogating connection with cause 20 like the rest. */
    const int stationCause = m_strict ? CS101_COT_INTERROGATED_BY_STATION : CS101_COT_PERIODIC;
    for (const IoaRange& r : kStation49Status)
        add(false, r.first, r.last, stationCause, "");
    for (const IoaRange& r : kStation49Status)
        add(false, r.first + kStation50StatusOffset, r.last + kStation50StatusOffset,
            stationCause, "");
    /* Every served table's measured values, in served-table order. */
    for (const std::string& table : m_tbls) {
        int base = BaseAddrOf(table);
        if (!IsServedBase(base))
            continue;
        if (table == kModbusTable) {
            for (const IoaRange& r : kStation49Measured)
                add(true, r.first, r.last, CS101_COT_INTERROGATED_BY_STATION, table);
            for (const IoaRange& r : kStation49Measured)
                add(true, r.first + kStation50MeasuredOffset, r.last + kStation50MeasuredOffset,
                    CS101_COT_INTERROGATED_BY_STATION, table);
        } else {
            add(true, base, base + img.PointsOf(table) - 1, CS101_COT_INTERROGATED_BY_STATION,
                table);
        }
    }
    return ranges;
}

/* Every range of the answer in its order: a range with cause 20 on the
 * connection (queued with cause 1 when there is none), the others queued. */
void CSvrWrapper104::SendRanges(const PointImage& img, CS101_AppLayerParameters parameters,
                                IMasterConnection connection)
{
    for (const AnswerRange& r : AnswerRanges(img)) {
        IMasterConnection target =
            r.cause == CS101_COT_INTERROGATED_BY_STATION ? connection : nullptr;
        if (r.measured)
            SendMeasured(img, parameters, r.first, r.last, target);
        else
            SendStatus(img, parameters, r.first, r.last, target);
    }
}

bool CSvrWrapper104::interrogationHandler(IMasterConnection connection, CS101_ASDU asdu,
                                          uint8_t qoi)
{
    printf("Received interrogation for group %i\n", qoi);
    if (qoi != kStationQoi) {
        IMasterConnection_sendACT_CON(connection, asdu, true);
        return true;
    }
    CS101_AppLayerParameters parameters =
        IMasterConnection_getApplicationLayerParameters(connection);
    IMasterConnection_sendACT_CON(connection, asdu, false);

    PointImageSnapshot img = Snapshot();
    SendRanges(*img, parameters, connection);
    /* Strict: the answer ends with its activation termination. */
    if (m_strict)
        IMasterConnection_sendACT_TERM(connection, asdu);
    return true;
}

bool CSvrWrapper104::FindAnswerRange(const PointImage& img, int ioa, AnswerRange* found) const
{
    for (const AnswerRange& r : AnswerRanges(img)) {
        IoaRange clipped = r.measured ? ClipToImage(r.first, r.last, PointImage::kMeasuredIoaBase,
                                                    PointImage::kMeasuredPoints)
                                      : ClipToImage(r.first, r.last, 1, PointImage::kStatusPoints);
        if (ioa >= clipped.first && ioa <= clipped.last) {
            *found = r;
            return true;
        }
    }
    return false;
}

/*
 * Strict read command: the point's value from the published image with cause
 * 5 in the point's own type (single point or short float), or the request
 * mirrored with cause 47 when the address is not served.
 */
bool CSvrWrapper104::AnswerRead(IMasterConnection connection, CS101_ASDU asdu, int ioa)
{
    PointImageSnapshot img = Snapshot();
    AnswerRange range;
    if (!FindAnswerRange(*img, ioa, &range)) {
        CS101_ASDU_setCOT(asdu, CS101_COT_UNKNOWN_IOA);
        IMasterConnection_sendASDU(connection, asdu);
        return true;
    }
    InformationObject io = nullptr;
    if (range.measured) {
        const int index = ioa - PointImage::kMeasuredIoaBase;
        io = reinterpret_cast<InformationObject>(MeasuredValueShort_create(
            nullptr, ioa, img->measured[index], img->measuredQuality[index]));
    } else {
        io = reinterpret_cast<InformationObject>(SinglePointInformation_create(
            nullptr, ioa, img->status[ioa - 1] != 0, img->statusQuality[ioa - 1]));
    }
    if (io == nullptr)
        return true; /* out of memory: no answer */
    CS101_ASDU reply =
        CS101_ASDU_create(IMasterConnection_getApplicationLayerParameters(connection), false,
                          CS101_COT_REQUEST, m_oa, m_ca, false, false);
    if (reply != nullptr) {
        CS101_ASDU_addInformationObject(reply, io);
        IMasterConnection_sendASDU(connection, reply);
        CS101_ASDU_destroy(reply);
    }
    InformationObject_destroy(io);
    return true;
}

void CSvrWrapper104::SvrPeriodic()
{
    printf("SvrPeriodic...");
    UpdDat();

    if (m_bCreated) { /* without a slave there is no queue to report to */
        PointImageSnapshot img = Snapshot();
        SendRanges(*img, m_alParams, nullptr);
    }

    ++m_nReports;
    printf(" %d\n", m_nReports);
}

/*
 * Most ASDUs one periodic report or one interrogation answer can carry with
 * the served tables of this configuration: the status ranges, the fixed
 * Modbus ranges, and for every other served table all the image points from
 * its base on (a table never fills more), plus the activation confirmation
 * (and, strict, its termination).
 */
int CSvrWrapper104::AsduBoundOfOneReport() const
{
    int asdus = 2 + AsdusFor(kStationStatus) + 2 * AsdusFor(kStation49Status);
    for (const std::string& table : m_tbls) {
        int base = BaseAddrOf(table);
        if (!IsServedBase(base))
            continue;
        if (table == kModbusTable)
            asdus += 2 * AsdusFor(kStation49Measured);
        else
            asdus += AsdusFor(PointImage::kMeasuredPoints - (base - PointImage::kMeasuredIoaBase));
    }
    return asdus;
}

std::vector<WatchedRange> CSvrWrapper104::WatchedRanges(const PointImage& img) const
{
    std::vector<WatchedRange> ranges;
    for (const AnswerRange& r : AnswerRanges(img)) {
        if (r.measured)
            ranges.push_back(
                {EventType::MeasuredFloat, r.first, r.last, m_spontaneous.DeadbandOf(r.table)});
        else
            ranges.push_back({EventType::SinglePoint, r.first, r.last, 0.0});
    }
    return ranges;
}
