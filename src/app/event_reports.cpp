// SPDX-License-Identifier: Apache-2.0
/*
 * event_reports.cpp - packing a scan's events into time-tagged ASDUs (see
 * event_reports.h).
 *
 * One information object per type is reused for every event: an object is
 * encoded into the ASDU when it is added, as the range reports do. An ASDU
 * is created when its first object comes, so no ASDU without objects is
 * ever handed on.
 */
#include "event_reports.h"

#include "cs101_information_objects.h"

namespace
{

class EventPacker
{
  public:
    EventPacker(CS101_AppLayerParameters parameters, int oa, int ca, uint64_t seenAtMs,
                const AsduSink& sink)
        : m_parameters(parameters), m_oa(oa), m_ca(ca), m_sink(sink)
    {
        CP56Time2a_setFromMsTimestamp(&m_time, seenAtMs);
    }
    ~EventPacker()
    {
        Flush();
        if (m_point != nullptr)
            SinglePointWithCP56Time2a_destroy(m_point);
        if (m_value != nullptr)
            MeasuredValueShortWithCP56Time2a_destroy(m_value);
    }
    EventPacker(const EventPacker&) = delete;
    EventPacker& operator=(const EventPacker&) = delete;

    void Add(const PointEvent& event)
    {
        InformationObject io = ObjectOf(event);
        if (io == nullptr)
            return; /* out of memory: this event is not reported */
        if (m_asdu != nullptr && event.type != m_type)
            Flush();
        if (m_asdu != nullptr && CS101_ASDU_addInformationObject(m_asdu, io))
            return;
        Flush(); /* full (or none yet): the object starts a new ASDU */
        m_asdu =
            CS101_ASDU_create(m_parameters, false, CS101_COT_SPONTANEOUS, m_oa, m_ca, false, false);
        m_type = event.type;
        if (m_asdu != nullptr)
            CS101_ASDU_addInformationObject(m_asdu, io);
    }

    /* Hands on the ASDU in progress; gives the number of ASDUs handed on. */
    int Finish()
    {
        Flush();
        return m_sent;
    }

  private:
    InformationObject ObjectOf(const PointEvent& event)
    {
        if (event.type == EventType::SinglePoint) {
            m_point = SinglePointWithCP56Time2a_create(m_point, event.ioa, event.value != 0.0f,
                                                       event.quality, &m_time);
            return reinterpret_cast<InformationObject>(m_point);
        }
        m_value = MeasuredValueShortWithCP56Time2a_create(m_value, event.ioa, event.value,
                                                          event.quality, &m_time);
        return reinterpret_cast<InformationObject>(m_value);
    }

    void Flush()
    {
        if (m_asdu == nullptr)
            return;
        if (CS101_ASDU_getNumberOfElements(m_asdu) > 0) {
            m_sink(m_asdu);
            ++m_sent;
        }
        CS101_ASDU_destroy(m_asdu);
        m_asdu = nullptr;
    }

    CS101_AppLayerParameters m_parameters;
    int m_oa;
    int m_ca;
    const AsduSink& m_sink;
    struct sCP56Time2a m_time = {};
    CS101_ASDU m_asdu = nullptr;
    EventType m_type = EventType::SinglePoint;
    SinglePointWithCP56Time2a m_point = nullptr;
    MeasuredValueShortWithCP56Time2a m_value = nullptr;
    int m_sent = 0;
};

} // namespace

int EncodeEvents(const std::vector<PointEvent>& events, CS101_AppLayerParameters parameters, int oa,
                 int ca, uint64_t seenAtMs, const AsduSink& sink)
{
    if (parameters == nullptr || !sink)
        return 0;
    EventPacker packer(parameters, oa, ca, seenAtMs, sink);
    for (const PointEvent& event : events)
        packer.Add(event);
    return packer.Finish();
}

int EnqueueEvents(CS104_Slave slave, CS101_AppLayerParameters parameters, int oa, int ca,
                  uint64_t seenAtMs, const std::vector<PointEvent>& events)
{
    if (slave == nullptr)
        return 0;
    return EncodeEvents(events, parameters, oa, ca, seenAtMs,
                        [slave](CS101_ASDU asdu) { CS104_Slave_enqueueASDU(slave, asdu); });
}
