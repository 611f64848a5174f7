// SPDX-License-Identifier: Apache-2.0
/*
 * SvrWrapper104b_reports.cpp - the gateway's interrogation answers and
 * periodic reports: what the report plan lists, sent from one snapshot of
 * the image store (see SvrWrapper104b.h and report_plan.h).
 */
#include <cstdio>
#include <string>
#include <vector>

#include "SvrWrapper104b.h"

/* ------------------------------------------------------------------------
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

/* Qualifier of a station interrogation. */
const uint8_t kStationQoi = 20;

/*
 * Collects information objects into ASDUs of at most 28 and hands each full
 * ASDU to the connection (cause 20) or, without a connection, to the slave's
 * queue (cause 1). An ASDU is created only when its first object arrives.
 */
class AsduBatch
{
  public:
    AsduBatch(CS104_Slave slave, IMasterConnection connection, IMasterConnection asker,
              CS101_AppLayerParameters parameters, int oa, int ca)
        : m_slave(slave), m_connection(connection), m_asker(asker), m_parameters(parameters),
          m_oa(oa), m_ca(ca)
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
        if (++m_count == ReportPlan::kObjectsPerAsdu)
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
            else if (m_asker != nullptr) /* part of an answer: the asker's group only */
                CS104_Slave_enqueueASDUForConnection(m_slave, m_asker, m_asdu);
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
    IMasterConnection m_asker;
    CS101_AppLayerParameters m_parameters;
    int m_oa;
    int m_ca;
    CS101_ASDU m_asdu = nullptr;
    int m_count = 0;
};

} // namespace

void CSvrWrapper104::SendStatus(const PointImage& img, CS101_AppLayerParameters parameters,
                                int first, int last, IMasterConnection connection,
                                IMasterConnection asker)
{
    IoaRange r = ReportPlan::ClipStatus(first, last);
    AsduBatch batch(m_slave, connection, asker, parameters, OriginatorAddress(), CommonAddress());
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
                                  int first, int last, IMasterConnection connection,
                                  IMasterConnection asker)
{
    IoaRange r = ReportPlan::ClipMeasured(first, last);
    AsduBatch batch(m_slave, connection, asker, parameters, OriginatorAddress(), CommonAddress());
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
    return Plan().AnswerRanges(img);
}

std::vector<WatchedRange> CSvrWrapper104::WatchedRanges(const PointImage& img) const
{
    return Plan().WatchedRanges(img, m_config.Spontaneous());
}

/* Every range of the answer in its order: a range with cause 20 on the
 * connection (queued with cause 1 when there is none), the others queued
 * (for the asking connection's redundancy group when there is one). */
void CSvrWrapper104::SendRanges(const PointImage& img, CS101_AppLayerParameters parameters,
                                IMasterConnection connection)
{
    for (const AnswerRange& r : AnswerRanges(img)) {
        IMasterConnection target =
            r.cause == CS101_COT_INTERROGATED_BY_STATION ? connection : nullptr;
        if (r.measured)
            SendMeasured(img, parameters, r.first, r.last, target, connection);
        else
            SendStatus(img, parameters, r.first, r.last, target, connection);
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
    if (StrictIec())
        IMasterConnection_sendACT_TERM(connection, asdu);
    return true;
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
    if (!Plan().FindAnswerRange(*img, ioa, &range)) {
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
                          CS101_COT_REQUEST, OriginatorAddress(), CommonAddress(), false, false);
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
    RefreshIfChanged(); /* the report is sent from the image either way */

    if (m_bCreated) { /* without a slave there is no queue to report to */
        PointImageSnapshot img = Snapshot();
        SendRanges(*img, m_alParams, nullptr);
    }

    ++m_nReports;
    printf(" %d\n", m_nReports);
}
