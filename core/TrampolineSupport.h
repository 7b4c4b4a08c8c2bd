#ifndef BM_TRAMPOLINESUPPORT_H
#define BM_TRAMPOLINESUPPORT_H
// The steps every trampoline shares on its way into a script. Internal to the trampolines and
// the registry.

#include "PyCompat.h"

#include <cstdint>
#include <string>

#include "BrindlemoorBase.h"
#include "BrindlemoorClass.h"

// The format code of reference constants in argument tuples: pointer width.
#define BM_REFCON BM_FMT_INTPTR

// Calls the record's callable in `slot` with `args` (consumed; null means building them
// failed, with the error pending). A failure is reported through BM_CallbackFailed. Returns
// the script's result, or null.
PyObject* BM_CallRecord(_CallbackRecordStruct* record, int slot, PyObject* args);

// The script's callable failed: it raised, or its answer did not convert; the error is
// pending and is cleared here. The first failure of a record is printed whole (a traceback, to
// the print console and the log); later ones are counted and summed up at most once a second
// of simulator time, and when the record goes:
//   "Brindlemoor - BM_Foo.FlightLoop failed 59 more times, last: ZeroDivisionError: ..."
// `report` false clears the error quietly (widget callbacks).
void BM_CallbackFailed(_CallbackRecordStruct& record, int slot, bool report = true);
// Writes the summary of failures not reported yet.
void BM_CallbackFlushReport(_CallbackRecordStruct& record);

// Keeps a record allocated while a worker uses it, even when the script removes it meanwhile.
class BM_RecordInUse {
public:
    explicit BM_RecordInUse(_CallbackRecordStruct* record) : record_(record) {
        ++record_->busy;
        ++BM_RecordsInUse;
    }
    ~BM_RecordInUse() {
        --BM_RecordsInUse;
        if (--record_->busy == 0 && (record_->freeWhenIdle || record_->releaseWhenIdle)) BM_RecordIdle(record_);
    }
    BM_RecordInUse(const BM_RecordInUse&) = delete;
    BM_RecordInUse& operator=(const BM_RecordInUse&) = delete;

private:
    _CallbackRecordStruct* record_;
};

// Convert and release a script's result. When it does not convert, a TypeError naming the
// script and the callback is reported as a failure of the record and `fallback` returned.
int BM_ResultInt(_CallbackRecordStruct& record, int slot, PyObject* result, int fallback, bool report = true);
float BM_ResultFloat(_CallbackRecordStruct& record, int slot, PyObject* result, float fallback);
double BM_ResultDouble(_CallbackRecordStruct& record, int slot, PyObject* result, double fallback);

#endif
