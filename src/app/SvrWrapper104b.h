/*
 * SvrWrapper104b.h - the telecontrol gateway CSvrWrapper104.
 *
 * One object holds the configuration (qxSvr.ini), the data-store library
 * libqxdb.so with its open live-data database, the two point images served to
 * IEC 60870-5-104 masters and the slave engine handle.
 *
 * Point images and their publication
 * - PointImage holds the status image (32768 octets, index i reported as IOA
 *   i + 1), the measured-value image (32768 floats, index j reported as IOA
 *   0x4000 + j) and the per-table point counts of the last refresh.
 * - A refresh (UpdDat, GetTbls, a direct UpdYxBy) never writes the published
 *   image. It copies the published image into a private one (so points whose
 *   rows are gone keep their last value), writes that, and then publishes it in
 *   one atomic store of a std::shared_ptr. Readers call Snapshot(): an atomic
 *   load that gives a shared_ptr to a complete, immutable image, either the old
 *   or the new one, never a mix. A reader keeps its snapshot alive as long as
 *   it holds the pointer; the writer never touches an image after publishing
 *   it. Taking a snapshot costs one atomic reference-count increment, no copy,
 *   so the interrogation answer (connection thread) and the periodic report
 *   (main thread) each take one snapshot and read all their ranges from it.
 *
 * Threads: every member runs in the main thread except the callbacks of the
 * slave engine, which run in connection threads (the connection-request
 * handler in the server thread) and may use only Snapshot(), the
 * served-tables list, the configuration with its connection policy (none
 * changes after Init) and the slave handle (set before the slave starts).
 *
 * Ownership: the object owns the library handle and the images; the manager
 * and the database belong to the library and are released by Free (called by
 * the destructor) through FreeDbManager. The object is neither copyable nor
 * movable.
 *
 * Choices made here (the points open in the gateway's design):
 * - The table point counts are part of the published image, so a reader sees
 *   counts and values of the same refresh.
 * - A device type with a negative "ExtDi" contributes no inputs (the device
 *   index never moves backwards); the input index is checked on both sides.
 * - A divisor query without a row ends the table like any database error (the
 *   data store throws "Invalid scalar query"); the message names the query, so
 *   the missing tbSMDef row can be added, and no value is served unscaled.
 * - A "Svr.BaseAddr" value beyond the int range saturates (as strtol does
 *   with a 32-bit long), so it never wraps into the served range.
 * - Table names from the database and the configuration are quoted as SQL
 *   identifiers; texts of any length are held in std::string.
 * - The tbSMType copy from the configuration database runs as one transaction
 *   (a failure keeps the previous copy) and "cfg" is detached in every case.
 * - Cursors are released also when a step fails.
 * - Reports (interrogation answer, periodic report) cut every IOA range into
 *   ASDUs of at most 28 objects, created only when their first object comes:
 *   an empty range sends nothing, and a range that is an exact multiple of 28
 *   sends no trailing ASDU without objects. Range bounds are clipped to the
 *   images, so no range reads outside them.
 * - A single command whose object cannot be decoded is answered with cause
 *   47, like every address other than 5000.
 * - SvrInit leaves the gateway not created when the slave cannot be
 *   allocated; SvrStart, SvrClose and SvrFree are then harmless, and
 *   SvrPeriodic refreshes and counts but queues nothing (there is no queue).
 *
 * Strict IEC 60870-5-104 profile ("StrictIec" of section "Svr104", default
 * 0): with 1 the engine's strict mode is on with the configured common
 * address, a station interrogation sends every range (the station ranges
 * too) with cause 20 on the interrogating connection and ends with an
 * activation termination, a clock synchronisation is confirmed with the
 * received time, a single command execute is confirmed and terminated, and
 * read commands are answered from the published image. With 0 the answers
 * stay exactly those described above.
 *
 * Slave lifecycle: SvrInit (create, wire the callbacks) -> SvrStart -> ...
 * -> SvrClose (stop accepting) -> SvrFree (close every connection, destroy).
 * SvrFree must run before the destructor releases the data store: the
 * callbacks read the gateway until the slave is destroyed.
 */
#ifndef SVRWRAPPER104B_H
#define SVRWRAPPER104B_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ConnectionPolicy.h"
#include "PointImage.h"
#include "PointRefresh.h"
#include "SimpleIni.h"
#include "cs104_slave.h"
#include "event_detector.h"
#include "qxdb.h"
#include "spontaneous_settings.h"

/* One IOA range of a station interrogation answer, in answer order. */
struct AnswerRange {
    bool measured; /* M_ME_NC_1 from the measured image, else M_SP_NA_1 */
    int first;     /* IOAs first..last (empty when last < first) */
    int last;
    int cause;         /* 20: on the interrogating connection; 1: queued for all */
    std::string table; /* served table of a measured range, else "" */
};

class CSvrWrapper104
{
  public:
    /* Sets the initial values: no library, no database, both images zero. */
    CSvrWrapper104();
    /* Free(), then the members are destroyed. */
    ~CSvrWrapper104();
    CSvrWrapper104(const CSvrWrapper104&) = delete;
    CSvrWrapper104& operator=(const CSvrWrapper104&) = delete;

    /* Loads qxSvr.ini, loads ./libqxdb.so, opens tmp/dbDat0.db3, copies
     * tbSMType from the configuration database, chooses the served tables
     * and fills the images. Prints its progress; never throws. */
    void Init();
    /* True when the live-data database is open (and the connection policy
     * of qxSvr.ini is valid: Init opens nothing when it is not). */
    bool IsOk();
    /* Releases the database, the manager and the library (at most once). */
    void Free();

    /* Rebuilds the served-tables list from the database's tables. */
    void GetTbls();
    /* Refreshes both images and the table point counts from the database and
     * publishes them; returns the number of served tables. Never throws. */
    unsigned UpdDat();
    /* The same, recording where every point comes from into *sources (null:
     * no record); the point-list tool uses it. */
    unsigned UpdDat(PointSourceRecord* sources);
    /* Loads the bits of count consecutive holding registers (register + 1 on)
     * of station sid into the status image from imageStart on (+512 for
     * station 50) and publishes them. Never throws. */
    void UpdYxBy(int imageStart, int reg, int count, int sid);

    /* The published image; never null. Safe from any thread. */
    PointImageSnapshot Snapshot() const;

    /* Served tables in data-store order (fixed after Init). */
    const std::vector<std::string>& ServedTables() const { return m_tbls; }
    /* Originator and common address of every ASDU sent. */
    uint8_t OriginatorAddress() const { return m_oa; }
    int CommonAddress() const { return m_ca; }
    /* "Svr.BaseAddr" of a table parsed as hexadecimal (0 when absent,
     * saturated at INT_MIN / INT_MAX when beyond an int). */
    int BaseAddrOf(const std::string& table) const;
    /* True when a base address admits a table: 0x4000 < base <= 0x5000. */
    static bool IsServedBase(int base) { return PointRefresh::IsServedBase(base); }

    /* Path of the configuration database attached by Init; defaults to the
     * configured flash root. Tests and tools may point it elsewhere before
     * Init. */
    void SetConfigDbPath(const std::string& path) { m_cfgDbPath = path; }

    /* AllowedMasters, MaxMasters and BindAddress as loaded by Init. */
    const ConnectionPolicy& Policy() const { return m_policy; }

    /* Slave wiring and lifecycle. */
    void SvrInit();
    void SvrStart();
    bool SvrIsOk();
    void SvrClose();
    void SvrFree();

    /* Range senders: status IOAs first..last (M_SP_NA_1) and measured-value
     * IOAs first..last (M_ME_NC_1); a null connection queues with cause 1,
     * otherwise sends on the connection with cause 20. */
    void YX(CS101_AppLayerParameters parameters, int first, int last, IMasterConnection connection);
    void YC(CS101_AppLayerParameters parameters, int first, int last, IMasterConnection connection);
    /* The ranges of a station interrogation answer over an image, in the
     * order they are sent (a periodic report sends the same ranges, all
     * queued with cause 1). Bounds are not yet clipped to the images. */
    std::vector<AnswerRange> AnswerRanges(const PointImage& img) const;
    /* Answer to an interrogation (connection thread). */
    bool interrogationHandler(IMasterConnection connection, CS101_ASDU asdu, uint8_t qoi);
    /* One periodic refresh and report (main thread). */
    void SvrPeriodic();

    /* Reporting by exception: the "Svr104" keys Spontaneous, ScanMs and
     * Deadband and the "Svr.Deadband" section, as read by Init. */
    const SpontaneousSettings& ScanSettings() const { return m_spontaneous; }
    /* One scan (main thread; defined in SvrWrapper104b_scan.cpp): refresh,
     * compare with the last reported state, queue the events with cause 3
     * and the scan's time, and print how many events a full queue lost since
     * the last scan. The first scan only records the state. */
    void SvrScan();
    /* What a scan watches in an image: the answer's ranges (AnswerRanges),
     * every measured range with its table's deadband, in report order. */
    std::vector<WatchedRange> WatchedRanges(const PointImage& img) const;

    /* Callbacks registered with the slave engine. */
    static bool connectionRequestHandler(void* parameter, const char* ipAddress);
    static bool clockSyncHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu,
                                 CP56Time2a newTime);
    static bool asduHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu);
    static bool readHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu,
                            int ioa);
    /* True when "StrictIec" is 1 (read by Init). */
    bool StrictIec() const { return m_strict; }
    static bool interrogationHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu,
                                     uint8_t qoi);
    static void printCP56Time2a(CP56Time2a time);

    /* Seconds between periodic reports; read by main. */
    int Periodic;

  private:
    void CopySMType();
    std::string DataDbProblem();
    std::shared_ptr<PointImage> BeginImage() const;
    /* Range senders over one snapshot (null connection: queue, cause 1). */
    void SendStatus(const PointImage& img, CS101_AppLayerParameters parameters, int first, int last,
                    IMasterConnection connection);
    void SendMeasured(const PointImage& img, CS101_AppLayerParameters parameters, int first,
                      int last, IMasterConnection connection);
    /* Most ASDUs one report or answer can hold with the served tables. */
    int AsduBoundOfOneReport() const;
    /* Strict answers (connection thread). */
    bool AnswerSingleCommand(IMasterConnection connection, CS101_ASDU asdu);
    bool AnswerRead(IMasterConnection connection, CS101_ASDU asdu, int ioa);
    /* The type and cause 20 range of the answer that holds ioa, if any. */
    bool FindAnswerRange(const PointImage& img, int ioa, AnswerRange* found) const;
    void SendRanges(const PointImage& img, CS101_AppLayerParameters parameters,
                    IMasterConnection connection);
    void Publish(const std::shared_ptr<PointImage>& img);
    void ReportEventLosses();

    void* m_hLib;                       /* handle of libqxdb.so */
    GetDbManagerFn m_pfnGetDbManager;   /* resolved entry points */
    FreeDbManagerFn m_pfnFreeDbManager; /* */
    DbManager* m_pMngr;                 /* owned by the library */
    DbConnection* m_pDb;                /* null: not usable */
    SimpleIni m_ini;                    /* qxSvr.ini */
    uint8_t m_oa;                       /* originator address */
    int m_ca;                           /* common address */
    bool m_strict;                      /* "StrictIec": the standard's answers */
    PointImageSnapshot m_image;         /* published image; atomic access only */
    std::vector<std::string> m_tbls;    /* served tables */
    CS104_Slave m_slave;
    CS101_AppLayerParameters m_alParams;
    int m_nReports;  /* SvrPeriodic calls so far */
    bool m_bRunning; /* slave started and running */
    bool m_bCreated; /* between SvrInit and SvrFree */

    std::string m_cfgDbPath;   /* configuration database */
    ConnectionPolicy m_policy; /* who may connect; fixed after Init */

    /* Reporting by exception (main thread only). */
    SpontaneousSettings m_spontaneous;
    std::unique_ptr<EventDetector> m_detector; /* made by the first scan */
    std::vector<PointEvent> m_events;          /* the scan's events; storage reused */
    uint32_t m_lostEventsReported;             /* slave's lost-event total already printed */
};

#endif
