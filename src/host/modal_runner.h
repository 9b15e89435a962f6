#pragma once

#include <functional>

class QDialog;

namespace pla::host {

// Every modal run of the application goes through the current runner: the dialog's
// own loop in the application; in tests a script that works the dialog and closes it.
class TModalRunner {
public:
    using TScript = std::function<int(QDialog&)>;

    static int Run(QDialog& dialog);
    // Installs a script for the life of the scope: each modal run calls it instead of
    // exec(); its answer is the run's result.
    class TScope {
    public:
        explicit TScope(TScript script);
        ~TScope();
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

    private:
        TScript previous_;
    };
};

} // namespace pla::host
