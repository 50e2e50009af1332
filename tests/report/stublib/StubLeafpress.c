/* A stand-in for the report library. It appends a line to the file named by
 * LEAFPRESS_STUB_LOG when it is loaded ("load"), when LoadReport is called
 * ("call <DocNo>") and when it is unloaded ("unload"), so a test can see the
 * number it was handed and that the caller really let go of it. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

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
STUB_EXPORT void LoadReport(int32_t DocNo) {
    char line[32];
    snprintf(line, sizeof line, "call %ld", (long)DocNo);
    note(line);
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
