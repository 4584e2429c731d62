/*
 * qelrpt.h - public interface of the qelrpt user function library.
 *
 * A host - any program that loads the plug-in: the report engine, the
 * stand-in qelrpt-host, the test programs - loads qelrpt into its own
 * process, learns its formula functions through the table getters and calls
 * each formula entry point with a call block that it owns.  This header is
 * that host interface: the byte layout of the records a host and the
 * library share, and the exported entry points.
 *
 * Layout.  The records are packed (no alignment gaps).  In 32-bit Windows,
 * where the report engine runs, pointers are 4 bytes and the offsets are
 * exactly:
 *
 *   UFCallBlock (30 bytes)          UFArgNode (20 bytes)
 *     0  2  host field                0  2  host field
 *     2  4  result slot               2  4  next node or null
 *     6 20  host fields               6  6  host fields
 *    26  4  first argument node      12  8  value (string pointer or double)
 *
 *   UFTableHeader (6 bytes)         UFFunctionRow (12 bytes)
 *     0  2  always 6                  0  4  definition text
 *     2  4  first table element       4  4  entry point
 *                                     8  4  reserved, 0
 *
 * A build with 8-byte pointers (64-bit Linux) uses the same packed
 * declarations, so every pointer field is 8 bytes wide there and the fields
 * after it move accordingly.
 *
 * The result slot is one place seen in two forms: a String function reads
 * the pointer to the host's result buffer from it and writes its text
 * into that buffer; a Boolean function stores 0 or 1 in its first 16 bits.
 *
 * A Number argument holds 100 times the value the formula author wrote.
 */
#ifndef QELRPT_H
#define QELRPT_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QELRPT_CALL __stdcall
#else
#define QELRPT_CALL
#endif

#if defined(_WIN32)
#define QELRPT_API
#elif defined(QELRPT_BUILDING)
#define QELRPT_API __attribute__((visibility("default")))
#else
#define QELRPT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)

/* One argument of a formula call; a singly linked list owned by the host. */
typedef struct UFArgNode {
    uint16_t hostField;
    struct UFArgNode *next;
    uint8_t hostFields[6];
    union {
        const char *string; /* String parameter: NUL-terminated 8-bit text */
        double number;      /* Number parameter: 100 x the formula value   */
    } value;
} UFArgNode;

/* The call record of one formula call; owned by the host. */
typedef struct UFCallBlock {
    uint16_t hostField;
    union {
        char *string;     /* String result: the host's result buffer */
        uint16_t boolean; /* Boolean result: 1 true, 0 false         */
    } result;
    uint8_t hostFields[20];
    UFArgNode *firstArg;
} UFCallBlock;

/* Describes one of the tables handed to the host. */
typedef struct UFTableHeader {
    uint16_t size; /* always 6 */
    const void *table;
} UFTableHeader;

/* Error number returned by a formula entry point (always 0). */
typedef int32_t UFError;

/* A formula entry point. */
typedef UFError(QELRPT_CALL *UFFormulaFunction)(UFCallBlock *block);

/* One row of the definition table; the table ends with an all-zero row. */
typedef struct UFFunctionRow {
    const char *definition;
    UFFormulaFunction entry;
    uint32_t reserved;
} UFFunctionRow;

#pragma pack(pop)

/* The layout, checked by every compiler that reads this header: the
 * offsets above, with P the size of a pointer (4 in the 32-bit host). */
#ifdef __cplusplus
#define QELRPT_STATIC_ASSERT static_assert
#else
#define QELRPT_STATIC_ASSERT _Static_assert
#endif
#define QELRPT_P sizeof(void *)
QELRPT_STATIC_ASSERT(offsetof(UFArgNode, next) == 2, "UFArgNode.next at 2");
QELRPT_STATIC_ASSERT(offsetof(UFArgNode, value) == 2 + QELRPT_P + 6, "UFArgNode.value at 12 in the 32-bit host");
QELRPT_STATIC_ASSERT(sizeof(UFArgNode) == 2 + QELRPT_P + 6 + 8, "UFArgNode is 20 bytes in the 32-bit host");
QELRPT_STATIC_ASSERT(offsetof(UFCallBlock, result) == 2, "result slot at 2");
QELRPT_STATIC_ASSERT(offsetof(UFCallBlock, firstArg) == 2 + QELRPT_P + 20, "first node at 26 in the 32-bit host");
QELRPT_STATIC_ASSERT(sizeof(UFCallBlock) == 2 + QELRPT_P + 20 + QELRPT_P, "UFCallBlock is 30 bytes in the 32-bit host");
QELRPT_STATIC_ASSERT(offsetof(UFTableHeader, table) == 2, "table at 2");
QELRPT_STATIC_ASSERT(sizeof(UFTableHeader) == 2 + QELRPT_P, "UFTableHeader is 6 bytes in the 32-bit host");
QELRPT_STATIC_ASSERT(offsetof(UFFunctionRow, entry) == QELRPT_P, "entry at 4 in the 32-bit host");
QELRPT_STATIC_ASSERT(offsetof(UFFunctionRow, reserved) == 2 * QELRPT_P, "reserved at 8 in the 32-bit host");
QELRPT_STATIC_ASSERT(sizeof(UFFunctionRow) == 2 * QELRPT_P + 4, "UFFunctionRow is 12 bytes in the 32-bit host");
#undef QELRPT_P
#undef QELRPT_STATIC_ASSERT

/*
 * Formula entry points, one per formula function, each with the formula as
 * a designer calls it: qelrpt_formulas.h, which the build writes from the
 * library's function table and installs beside this header.  Each takes
 * the host's call block, writes its result into it (or into the buffer it
 * points to) and returns 0.
 */
#include "qelrpt_formulas.h"

/*
 * Library entry points.  The host calls them at points of its own
 * choosing, any number of times and in any order; none depends on another.
 *
 *   UFInitialize, UFTerminate   return 0 and do nothing else
 *   UFGetVersion                the interface version, 256 (0x0100)
 *   UFGetFunctionDefStrings     header of the definition table: one
 *                               UFFunctionRow per formula function, then a
 *                               row of zeros
 *   UFGetFunctionTemplates      header of the template texts, null-ended
 *   UFGetFunctionExamples       header of the example texts, null-ended
 *   UFErrorRecovery             the text for the error number held in the
 *                               16 bits at offset 2 of the host's record
 *   UFStartJob, UFEndJob        notices of a report job; no effect
 *
 * The tables are constant and live as long as the library stays loaded.
 */
QELRPT_API int32_t QELRPT_CALL UFInitialize(void);
QELRPT_API int32_t QELRPT_CALL UFTerminate(void);
QELRPT_API uint16_t QELRPT_CALL UFGetVersion(void);
QELRPT_API const UFTableHeader *QELRPT_CALL UFGetFunctionDefStrings(void);
QELRPT_API const UFTableHeader *QELRPT_CALL UFGetFunctionTemplates(void);
QELRPT_API const UFTableHeader *QELRPT_CALL UFGetFunctionExamples(void);
QELRPT_API const char *QELRPT_CALL UFErrorRecovery(const void *record, uint32_t unused);
QELRPT_API void QELRPT_CALL UFStartJob(uint32_t job);
QELRPT_API void QELRPT_CALL UFEndJob(uint32_t job);

#ifdef __cplusplus
}
#endif

#endif /* QELRPT_H */
