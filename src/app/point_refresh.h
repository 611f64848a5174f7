// SPDX-License-Identifier: Apache-2.0
/*
 * point_refresh.h - the gateway's data refresh: the rules that turn the data
 * store's rows into the point images.
 *
 * The one copy of these rules. RefreshImages and RefreshRegisterBits run them
 * on a private copy of the published image of an ImageStore and publish it
 * (CSvrWrapper104::UpdDat, UpdYxBy); ChooseServedTables picks the tables a
 * refresh serves (CSvrWrapper104::GetTbls). The point-list tool runs them
 * through the gateway and asks for a source record besides. The keys of
 * qxSvr.ini come from the GatewayConfig.
 *
 * Road of a refresh (Build):
 * 1. Device inputs from tbDio joined with tbSMType ("ExtDi" inputs per device,
 *    8 when 0; type 2317 skipped); an empty result clears the status image.
 * 2. Station states (V30002 of stations below 49) from status index 9 on.
 * 3. Register bits of stations 49 and 50 (nine blocks each), read in one
 *    pass per station ("Fld like 'V4%-%'", the union of the blocks' per-
 *    register patterns 'V4<n>-%'); each row goes to the register whose
 *    pattern it matches, and the blocks then apply their rows register by
 *    register, each in scan order, as the per-register statements would.
 *    When that pass meets a database error, each block reads register by
 *    register, so its failure and message are the per-register ones.
 * 4. For every served table: the Modbus holding registers at their fixed
 *    indices, or the table's value columns divided by their tbSMDef divisor,
 *    packed from the table's base address.
 * Each step stands on its own: the device inputs, the station states, each
 * block of register bits and each table has its own exception handler, so
 * one failing step neither skips nor freezes another. Every message names
 * the table and the statement ("<table> db exception: ..., sql:<statement>";
 * a table's message keeps its form "db exception: ..., sql:"). Messages go
 * to the error sink when one is set, otherwise to stdout. Each distinct
 * divisor (type, field) is asked once per Build; a missing one still ends its
 * table with the message naming the divisor query.
 *
 * Quality rules (bits of SIQ and QDS):
 * - A value read is served with quality 0, or IV (0x80) when it is NULL or
 *   not a number (see DbConnection::IsNumericField; such a value is 0).
 * - INTEGER values are read with 64 bits and finite REAL values as doubles,
 *   then divided (tables) or scaled by 0.1 (Modbus registers); a TEXT that
 *   reads as a number is read as an integer, as always. A status point is 1
 *   when the number is not 0. A measured result beyond the float range keeps
 *   the nearest float and carries OV (0x01) and IV.
 * - A step that fails keeps the points it read last with their values and
 *   adds NT (0x40), except the points it already read in this Build. A
 *   table keeps its point count. The unfed points of a failing step's
 *   range (status IOAs 1-8 for the inputs, 10-29 for the station states, a
 *   block's bits, the fixed Modbus ranges) carry NT too, or IV when the step
 *   has never read anything. The next success of the step sets every point
 *   it reads afresh and gives the unfed points of its range quality 0.
 *
 * Choices:
 * - The table point counts are part of the image, so a reader sees counts
 *   and values of the same refresh.
 * - A device type with a negative "ExtDi" contributes no inputs (the device
 *   index never moves backwards); the input index is checked on both sides.
 * - A divisor query without a row ends the table like any database error (the
 *   data store throws "Invalid scalar query"); the message names the query, so
 *   the missing tbSMDef row can be added, and no value is served unscaled.
 * - A "Svr.BaseAddr" value beyond the int range saturates (as strtol does
 *   with a 32-bit long), so it never wraps into the served range.
 * - Table names from the database and the configuration are quoted as SQL
 *   identifiers; texts of any length are held in std::string.
 * - Cursors are released also when a step fails.
 *
 * Errors: Build and LoadRegisterBits never throw a CppSQLite3Exception (they
 * print it). Threads: one refresh per object at a time; the connection, the
 * configuration and the source record must outlive the calls.
 */
#ifndef POINT_REFRESH_H
#define POINT_REFRESH_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "gateway_config.h"
#include "image_store.h"
#include "point_image.h"
#include "qxdb.h"

/* Where one point's value comes from. */
struct PointSource {
    enum Kind {
        kNone,           /* nothing wrote this point in the recorded refresh */
        kDeviceInput,    /* tbDio row sid, input number `number` (D01 = 1) */
        kStationState,   /* tbModbusDat V30002 of station sid */
        kRegisterBit,    /* tbModbusDat station sid, register `number`, bit */
        kModbusRegister, /* tbModbusDat station sid, holding register `number` */
        kTableColumn     /* table row sid, column `field`, divided by divisor */
    };
    Kind kind = kNone;
    int sid = 0;
    int number = 0;
    int bit = 0;
    int divisor = 0;
    std::string table; /* data-store table */
    std::string field; /* column name, or the Fld value of a tbModbusDat row */
};

/* The sources of one refresh, filled when a record is handed to Build. */
struct PointSourceRecord {
    /* A source that wrote a point another source had written in the same
     * refresh (the later one wins), or that fell outside the images. */
    struct Event {
        bool measured = false; /* image: measured values, else status */
        long long index = 0;   /* image index (may lie outside the image) */
        PointSource source;    /* the overwritten or the refused source */
    };
    std::vector<PointSource> status;   /* kStatusPoints entries once used */
    std::vector<PointSource> measured; /* kMeasuredPoints entries once used */
    std::vector<Event> replaced;       /* earlier sources of a point */
    std::vector<Event> outside;        /* sources beyond the images */
};

class PointRefresh
{
  public:
    /* db and config must not be null. */
    PointRefresh(DbConnection* db, const GatewayConfig* config);

    /* Records every source of the following calls in *record (cleared first
     * by Build); null stops recording. */
    void SetSourceRecord(PointSourceRecord* record);

    /* Collects the error messages (one line each, ending in "\r\n") in
     * *errors instead of printing them; null prints them. */
    void SetErrorSink(std::vector<std::string>* errors);

    /* Steps 1-4 into img for the served tables (in their order); sets each
     * table's point count. False when a database error cut a step short (it
     * is printed), so the image may lack rows the data store holds. */
    bool Build(PointImage& img, const std::vector<std::string>& tables);

    /* Steps of the last Build that failed. */
    int Failures() const { return m_failures; }
    /* Tables a failed step of the last Build read, each once, in step order. */
    const std::vector<std::string>& FailedTables() const { return m_failedTables; }

    /* The bits of count consecutive holding registers (register reg + 1 on)
     * of station sid from status index imageStart on (+512 for station 50). */
    void LoadRegisterBits(PointImage& img, int imageStart, int reg, int count, int sid);

    /* Build reads the register bits in one pass per station (true, the
     * default) or with one statement per register, the reference the one
     * pass must equal (false). */
    void SetOnePassRegisterBits(bool on) { m_onePassBits = on; }

    /* True when a base address admits a table: 0x4000 < base <= 0x5000. */
    static bool IsServedBase(int base) { return PointImage::IsServedBase(base); }

    /* Blocks of register bits per station; registers in the largest one. */
    static constexpr size_t kBlocks = 9;
    static constexpr int kMostRegisters = 6;

  private:
    /* The register-bit rows of one pass: per station (49, 50), block and
     * register of the block, in scan order. */
    struct RegisterBitRows {
        struct Row {
            std::string fld;
            bool on;
            uint8_t quality;
        };
        std::vector<Row> of[2][kBlocks][kMostRegisters];
    };

    void LoadDeviceInputs(PointImage& img);
    void LoadStationStates(PointImage& img);
    void LoadRegisterBlock(PointImage& img, int imageStart, int reg, int count, int sid);
    /* Reads the rows of every block; false (rows incomplete) on an error. */
    bool ReadRegisterBits(RegisterBitRows& rows);
    void ApplyRegisterBlock(PointImage& img, const RegisterBitRows& rows, int sid, size_t block);
    void LoadTable(PointImage& img, const std::string& table);
    void LoadModbusValues(PointImage& img, int& count);
    void LoadDeviceValues(PointImage& img, const std::string& table, int base, int& count);
    int Divisor(int type, int field);

    /* Stores one status point read from column of the cursor's row. */
    void SetStatus(PointImage& img, long long index, int cursor, int column,
                   const PointSource& source);
    void StoreStatus(PointImage& img, long long index, bool on, uint8_t quality,
                     const PointSource& source);
    /* Stores one measured value read by step. */
    void SetMeasured(PointImage& img, long long index, double value, uint8_t quality, uint8_t step);
    void NoteSource(bool measured, long long index, const PointSource& source);
    void Report(const char* format, ...) __attribute__((format(printf, 2, 3)));
    /* Counts a failed step and notes its table. */
    void NoteFailure(const std::string& table);
    /* Runs one status step, reports its error and flags its points. */
    template <typename Step>
    void RunStatusStep(PointImage& img, uint8_t step, const char* table, Step body);
    /* The quality rules for the points of a step that failed or succeeded. */
    void FlagStatusStep(PointImage& img, uint8_t step, bool failed);
    void FlagModbusValues(PointImage& img, bool failed);

    DbConnection* m_db;
    const GatewayConfig* m_config;
    PointSourceRecord* m_record = nullptr;
    std::map<std::pair<int, int>, int> m_divisors; /* (type, field) -> divisor */
    std::string m_lastSql; /* statement last composed for the step in progress */
    std::vector<std::string>* m_errors = nullptr;
    uint8_t m_step = 0;                      /* status step in progress */
    int m_failures = 0;                      /* steps of this Build that failed */
    bool m_onePassBits = true;               /* SetOnePassRegisterBits */
    std::vector<std::string> m_failedTables; /* FailedTables */
    std::vector<uint8_t> m_statusFresh;      /* 1: read in this Build */
    std::vector<uint8_t> m_measuredFresh;    /* */
};

/*
 * The tables of the data store that are served, in data-store order: every
 * table not named tbSM* whose "Svr.Detail" is not 1 and whose base address
 * is served. Prints one line per detail or served table, gives each served
 * table a point count of 0 in a new published image, and prints a database
 * error (ending the list where it happened). db must not be null.
 */
std::vector<std::string> ChooseServedTables(DbConnection* db, const GatewayConfig& config,
                                            ImageStore& images);

/* Build over a copy of the published image, then publishes it (sources:
 * see PointRefresh::SetSourceRecord); returns Build's result. db must not be
 * null. */
bool RefreshImages(DbConnection* db, const GatewayConfig& config, ImageStore& images,
                   const std::vector<std::string>& tables, PointSourceRecord* sources);

/* LoadRegisterBits over a copy of the published image, then publishes it.
 * db must not be null. */
void RefreshRegisterBits(DbConnection* db, const GatewayConfig& config, ImageStore& images,
                         int imageStart, int reg, int count, int sid);

#endif
