// SPDX-License-Identifier: Apache-2.0
/*
 * SvrWrapper104b.h - the telecontrol gateway CSvrWrapper104.
 *
 * One object holds the configuration (qxSvr.ini), the data-store library
 * libqxdb.so with its open live-data database, the two point images served to
 * IEC 60870-5-104 masters and the slave engine handle.
 *
 * The object is a facade over three units, each one concern:
 * - GatewayConfig (gateway_config.h): qxSvr.ini, every key read through the
 *   table of config_keys.h, with the connection policy and the settings of
 *   reporting by exception.
 * - ImageStore (image_store.h): the status and measured-value images with
 *   their qualities and table point counts, and their publication: a
 *   refresh writes a private copy and publishes it in one atomic store,
 *   readers take a snapshot of a complete image.
 * - ReportPlan (report_plan.h): the ranges of the interrogation answer, the
 *   periodic report and the scan, and the ASDU bound that sizes the queues.
 * The refresh rules (point_refresh.h) read the data store into an image of
 * the store under the configuration's keys; the facade owns the data store,
 * the served tables and the slave, and sends what the plan lists.
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
 * Choices made here (those of the refresh are in point_refresh.h, those of
 * the report ranges in report_plan.h):
 * - The tbSMType copy from the configuration database runs as one transaction
 *   (a failure keeps the previous copy) and "cfg" is detached in every case.
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

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "connection_policy.h"
#include "cs104_slave.h"
#include "event_detector.h"
#include "gateway_config.h"
#include "gateway_tls.h"
#include "image_store.h"
#include "point_image.h"
#include "point_refresh.h"
#include "qxdb.h"
#include "repeated_lines.h"
#include "report_plan.h"
#include "spontaneous_settings.h"
#include "status_file.h"

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
     * publishes them; returns the number of served tables. Never throws.
     * One refresh: the file is checked first (replaced or back: reopened and
     * said once; missing: every point NT, nothing read), then every step
     * reads inside one read transaction whose lock waits end after
     * LockBudgetMs in total; the data version tells whether the database
     * changed (StaleAfter). Errors go through the quiet console. */
    unsigned UpdDat();
    /* The same, recording where every point comes from into *sources (null:
     * no record); the point-list tool uses it. */
    unsigned UpdDat(PointSourceRecord* sources);
    /* Asks the data store whether anything changed since the last refresh
     * (DataVersion) and refreshes only then, or when that refresh was cut
     * short by a database error (or found the file missing), or when the
     * store cannot tell, or when the file under the name is another one or
     * gone, or when StaleAfter runs out; returns true when it refreshed. A
     * scan and a periodic report start with it. */
    bool RefreshIfChanged();
    /* Number of images published by refreshes so far; a scan compares only
     * when it moved since the last comparison. */
    unsigned long long Refreshes() const { return m_refreshes; }
    /* Loads the bits of count consecutive holding registers (register + 1 on)
     * of station sid into the status image from imageStart on (+512 for
     * station 50) and publishes them. Never throws. */
    void UpdYxBy(int imageStart, int reg, int count, int sid);

    /* The published image; never null. Safe from any thread. */
    PointImageSnapshot Snapshot() const;

    /* Served tables in data-store order (fixed after Init). */
    const std::vector<std::string>& ServedTables() const { return m_tbls; }
    /* Originator and common address of every ASDU sent. */
    uint8_t OriginatorAddress() const { return m_config.OriginatorAddress(); }
    int CommonAddress() const { return m_config.CommonAddress(); }
    /* "Svr.BaseAddr" of a table parsed as hexadecimal (0 when absent,
     * saturated at INT_MIN / INT_MAX when beyond an int). */
    int BaseAddrOf(const std::string& table) const;
    /* True when a base address admits a table: 0x4000 < base <= 0x5000. */
    static bool IsServedBase(int base) { return PointImage::IsServedBase(base); }

    /* Check mode (`qxsvr104 --check`): Init prints every problem of
     * qxSvr.ini and goes on past a refused value and past TLS files it
     * cannot use (TlsFilesRefused), and writes nothing: the
     * tbSMType copy from the configuration database is skipped (the served
     * tables then come from the data store's own copy). */
    void SetCheckOnly(bool checkOnly) { m_checkOnly = checkOnly; }
    /* Warnings for per-table keys that name no table of the data store
     * (empty when the data store is not open). Reads only. */
    std::vector<ConfigProblem> TableNameProblems();
    /* True when the last Init found TLS on but its files or pins unusable
     * (the reason is on the console). */
    bool TlsFilesRefused() const { return m_tlsRefused; }

    /* Path of the configuration database attached by Init; defaults to the
     * configured flash root. Tests and tools may point it elsewhere before
     * Init. */
    void SetConfigDbPath(const std::string& path) { m_cfgDbPath = path; }

    /* AllowedMasters, MaxMasters and BindAddress as loaded by Init. */
    const ConnectionPolicy& Policy() const { return m_config.Policy(); }
    /* The TLS of the station as made by Init; null with TLS off (or before
     * Init, or when its files could not be used). */
    GatewayTls* Tls() const { return m_tls.get(); }
    /* Connections refused since Init: by AllowedMasters, by MaxMasters, or
     * in their TLS handshake. Safe from any thread. */
    uint32_t RefusedConnections() const { return m_refusedConnections.load(); }
    /* The whole configuration as loaded by Init. */
    const GatewayConfig& Config() const { return m_config; }
    /* "Periodic": seconds between periodic reports, as loaded by Init (10
     * before); read by main on every pass of its loop. */
    int GetPeriodic() const { return m_config.Periodic(); }

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
    const SpontaneousSettings& ScanSettings() const { return m_config.Spontaneous(); }
    /* One scan (main thread; defined in SvrWrapper104b_scan.cpp): refresh,
     * compare with the last reported state, queue the events with cause 3
     * and the scan's time, and print how many events a full queue lost since
     * the last scan. The first scan only records the state. */
    void SvrScan();
    /* Monotonic time from which a scan may find something even if the data
     * file does not change (main thread): INT64_MIN when the next scan must
     * run (no scan yet, an image not compared yet, the last refresh
     * incomplete or no data store), the time StaleAfter runs out, else
     * INT64_MAX. */
    int64_t ScanWantedFromMs() const;
    /* The data file, relative to the working directory. */
    static const char* DataFile();
    /* What a scan watches in an image: the answer's ranges (AnswerRanges),
     * every measured range with its table's deadband, in report order. */
    std::vector<WatchedRange> WatchedRanges(const PointImage& img) const;

    /* Callbacks registered with the slave engine. */
    static bool connectionRequestHandler(void* parameter, const char* ipAddress);
    /* Redundancy=groups: the group of a master (RedundancySettings::GroupOf). */
    static int redundancyGroupSelector(void* parameter, const char* ipAddress);
    static bool clockSyncHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu,
                                 CP56Time2a newTime);
    static bool asduHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu);
    static bool readHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu,
                            int ioa);
    /* True when "StrictIec" is 1 (read by Init). */
    bool StrictIec() const { return m_config.StrictIec(); }
    static bool interrogationHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu,
                                     uint8_t qoi);
    static void printCP56Time2a(CP56Time2a time);

    /* The operator's status (SvrWrapper104b_status.cpp; main thread): the
     * masters from the slave, the last refresh, events lost and the
     * quality counts of the served points. */
    GatewayStatus Status(uint64_t uptimeS);
    /* True once after a refresh or a connection change (the first call
     * after Init too); the main thread then rewrites the status file. */
    bool TakeStatusChange() { return m_statusChanged.exchange(false); }
    /* Called (from any thread, so it must be async-signal-safe or at least
     * thread-safe and quick) after a connection change marked the status
     * changed; set before SvrStart. */
    void SetStatusWake(void (*wake)()) { m_statusWake = wake; }
    /* Engine callback of connection changes (engine threads). */
    static void connectionEventHandler(void* parameter, CS104_ConnectionEvent event);

    /* Total wait for locks one refresh may spend (500 ms): a collector's
     * commit is waited out, a lock held longer costs no more than this. */
    int LockBudgetMs() const;

  private:
    void CopySMType();
    /* StaleAfter: notes a change of the data version, says once when the
     * source went silent or came back; the bits every point carries. */
    uint8_t SourceQuality(bool changed, uint64_t nowMs);
    /* True when StaleAfter runs out by nowMs without a change seen so far:
     * the next refresh must run even if the data version stands still. */
    bool StaleDue(uint64_t nowMs) const;
    /* UpdDat with the file check already made (file: a QXDB_FILE_ value);
     * with onlyIfChanged, nothing is read when the file is the same, the
     * last refresh was complete, the version stands and StaleAfter does not
     * run out (false then; true when it refreshed). */
    bool Refresh(PointSourceRecord* sources, int file, bool onlyIfChanged);
    /* Why the live-data database is not usable, for the "pDb err" line. */
    std::string DataDbProblem();
    /* The plan of the served tables under the configuration, made again
     * whenever either is (Init, GetTbls) so an answer looks nothing up. */
    const ReportPlan& Plan() const { return m_plan; }
    void MakePlan();
    /* Range senders over one snapshot (null connection: queue, cause 1, for
     * the asker's redundancy group, or for every group without an asker). */
    void SendStatus(const PointImage& img, CS101_AppLayerParameters parameters, int first, int last,
                    IMasterConnection connection, IMasterConnection asker = nullptr);
    void SendMeasured(const PointImage& img, CS101_AppLayerParameters parameters, int first,
                      int last, IMasterConnection connection, IMasterConnection asker = nullptr);
    /* Strict answers (connection thread). */
    bool AnswerSingleCommand(IMasterConnection connection, CS101_ASDU asdu);
    bool AnswerRead(IMasterConnection connection, CS101_ASDU asdu, int ioa);
    void SendRanges(const PointImage& img, CS101_AppLayerParameters parameters,
                    IMasterConnection connection);
    void ReportEventLosses();

    void* m_hLib;                       /* handle of libqxdb.so */
    GetDbManagerFn m_pfnGetDbManager;   /* resolved entry points */
    FreeDbManagerFn m_pfnFreeDbManager; /* */
    DbManager* m_pMngr;                 /* owned by the library */
    DbConnection* m_pDb;                /* null: not usable */
    GatewayConfig m_config;             /* qxSvr.ini; fixed after Init */
    ImageStore m_images;                /* the published images */
    std::vector<std::string> m_tbls;    /* served tables */
    ReportPlan m_plan{false, {}};       /* of m_tbls under m_config (MakePlan) */
    std::unique_ptr<GatewayTls> m_tls;  /* TLS on; outlives the slave's run */
    std::atomic<uint32_t> m_refusedConnections{0};
    CS104_Slave m_slave;
    CS101_AppLayerParameters m_alParams;
    int m_nReports;  /* SvrPeriodic calls so far */
    bool m_bRunning; /* slave started and running */
    bool m_bCreated; /* between SvrInit and SvrFree */

    std::string m_cfgDbPath; /* configuration database */
    bool m_checkOnly;        /* SetCheckOnly */
    bool m_tlsRefused;       /* TlsFilesRefused */

    /* Reporting by exception (main thread only). */
    std::unique_ptr<EventDetector> m_detector; /* made by the first scan */
    std::vector<PointEvent> m_events;          /* the scan's events; storage reused */
    uint32_t m_lostEventsReported;             /* slave's lost-event total already printed */
    std::vector<uint32_t> m_groupLostReported; /* the same per group (Redundancy=groups) */
    unsigned long long m_scannedRefresh = 0;   /* m_refreshes the detector last compared */

    /* Refresh health (main thread only). */
    RepeatedLines m_console;      /* refresh errors, printed quietly */
    long long m_dataVersion = -1; /* data version at the last change seen */
    uint64_t m_lastChangeMs = 0;  /* monotonic time of that change; 0: none yet */
    bool m_stale = false;         /* StaleAfter passed without a change */

    /* Status file: the flag crosses threads; the rest is the main thread's. */
    std::atomic<bool> m_statusChanged{false};
    void (*m_statusWake)() = nullptr;
    uint64_t m_refreshEndMs = 0;                 /* wall clock when the last refresh ended */
    uint64_t m_refreshDurationMs = 0;            /* its monotonic duration */
    std::vector<std::string> m_failedTables;     /* tables its failed steps read */
    uint32_t m_statusLostSeen = 0;               /* slave's lost-event total last counted */
    uint64_t m_statusLost = 0;                   /* lost events since start, 64 bits */
    std::vector<uint32_t> m_statusGroupLostSeen; /* the same per group */
    std::vector<uint64_t> m_statusGroupLost;

    /* Change detection (main thread only). */
    unsigned long long m_refreshes = 0; /* images published by UpdDat */
    long long m_readVersion = 0;        /* DataVersion taken before the last refresh */
    bool m_readVersionValid = false;    /* that refresh completed with a known version */
    long long m_readStamp = -1;         /* CommitStamp taken before the last refresh */
};

#endif
