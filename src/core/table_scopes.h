#pragma once

#include "mem_table.h"

namespace pla {

// Views stay still while a batch of work runs on the table, and are refreshed
// once when the scope ends, also on an error.
class TControlsDisabled {
public:
    explicit TControlsDisabled(TMemTable& table)
        : table_(table) {
        table_.DisableControls();
    }
    ~TControlsDisabled() { table_.EnableControls(); }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TMemTable& table_;
};

// Switches the table's filter off for a look-up over every row and puts the
// previous filtering back when the scope ends.
class TFilterSuspended {
public:
    explicit TFilterSuspended(TMemTable& table)
        : table_(table)
        , was_(table.Filtered()) {
        table_.SetFiltered(false);
    }
    ~TFilterSuspended() {
        if (was_ && table_.Active()) {
            try {
                table_.SetFiltered(true);
            } catch (...) {
                // Restoring must not throw out of a destructor; a pending edit that
                // cannot be posted stays pending with the filter off.
            }
        }
    }
    TFilterSuspended(const TFilterSuspended&) = delete;
    TFilterSuspended& operator=(const TFilterSuspended&) = delete;

private:
    TMemTable& table_;
    bool was_;
};

// Remembers the current row and returns to it when the scope ends, if it is still
// there to return to.
class TBookmarkRestore {
public:
    explicit TBookmarkRestore(TMemTable& table)
        : table_(table)
        , mark_(table.Bookmark()) {}
    ~TBookmarkRestore() {
        try {
            if (table_.Active() && !table_.IsEditing() && table_.BookmarkValid(mark_)) {
                table_.GotoBookmark(mark_);
            }
        } catch (...) {
            // Never throw from a destructor; the cursor simply stays where it is.
        }
    }
    TBookmarkRestore(const TBookmarkRestore&) = delete;
    TBookmarkRestore& operator=(const TBookmarkRestore&) = delete;

private:
    TMemTable& table_;
    TBookmark mark_;
};

// An edit of the current row that only Post() writes: leaving the scope any other way
// (an error while the fields are being set) cancels it, and the row keeps its values.
class TRowEdit {
public:
    explicit TRowEdit(TMemTable& table)
        : table_(table) {
        table_.Edit();
    }
    ~TRowEdit() {
        if (posted_) {
            return;
        }
        try {
            if (table_.Active() && table_.IsEditing()) {
                table_.Cancel();
            }
        } catch (...) {
            // Never throw from a destructor; the error on its way out says what failed.
        }
    }
    void Post() {
        table_.Post();
        posted_ = true;
    }
    TRowEdit(const TRowEdit&) = delete;
    TRowEdit& operator=(const TRowEdit&) = delete;

private:
    TMemTable& table_;
    bool posted_ = false;
};

} // namespace pla
