/* A stand-in for the report library. It appends a line to the file named by
 * LEAFPRESS_STUB_LOG when it is loaded ("load"), when LoadReport is called
 * ("call <DocNo>") and when it is unloaded ("unload"), so a test can see the
 * number it was handed and that the caller really let go of it. */
#include <sqlite3.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define STUB_EXPORT __attribute__((visibility("default")))

static void note(const char* line) {
    const char* logPath = getenv("LEAFPRESS_STUB_LOG");
    if (logPath == NULL)
        return;
    FILE* log = fopen(logPath, "a");
    if (log == NULL)
        return;
    fprintf(log, "%s\n", line);
    fclose(log);
}

__attribute__((constructor)) static void loaded(void) {
    note("load");
}

__attribute__((destructor)) static void unloaded(void) {
    note("unload");
}

#ifdef STUB_EXPORTS_LOAD_REPORT
/* What the real library would find at the moment of the call: the alias
 * line "PATH..." of the configuration named by LEAFPRESS_STUB_CONFIG, and the
 * first value that LEAFPRESS_STUB_QUERY gives in the database named by
 * LEAFPRESS_STUB_DATABASE, each logged when its variables are set. */
static void noteAliasPath(void) {
    const char* configPath = getenv("LEAFPRESS_STUB_CONFIG");
    if (configPath == NULL)
        return;
    FILE* config = fopen(configPath, "r");
    char line[4096];
    while (config != NULL && fgets(line, sizeof line, config) != NULL) {
        if (strncmp(line, "PATH", 4) == 0) {
            line[strcspn(line, "\r\n")] = '\0';
            note(line);
        }
    }
    if (config != NULL)
        fclose(config);
}

static void noteStoredValue(void) {
    const char* databasePath = getenv("LEAFPRESS_STUB_DATABASE");
    const char* query = getenv("LEAFPRESS_STUB_QUERY");
    if (databasePath == NULL || query == NULL)
        return;
    sqlite3* db = NULL;
    sqlite3_stmt* statement = NULL;
    char line[512] = "row <none>";
    if (sqlite3_open_v2(databasePath, &db, SQLITE_OPEN_READONLY, NULL) == SQLITE_OK &&
        sqlite3_prepare_v2(db, query, -1, &statement, NULL) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* value = sqlite3_column_text(statement, 0);
        snprintf(line, sizeof line, "row %s", value != NULL ? (const char*)value : "<null>");
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    note(line);
}

STUB_EXPORT void LoadReport(int32_t DocNo) {
    char line[32];
    snprintf(line, sizeof line, "call %ld", (long)DocNo);
    note(line);
    noteAliasPath();
    noteStoredValue();
}
#else
/* Near misses of the entry point's name: the lookup is by the exact name. */
STUB_EXPORT void loadreport(int32_t DocNo) {
    (void)DocNo;
    note("wrong entry called");
}
STUB_EXPORT void LoadReportEx(int32_t DocNo) {
    (void)DocNo;
    note("wrong entry called");
}
#endif
