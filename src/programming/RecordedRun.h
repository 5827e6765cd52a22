#pragma once
// The run record's hooks on the Program command: made when the flow goes to the tav's
// port, it tells the window's recorder (if any) that a run started; when it goes, that
// the run ended and how, also when the flow is unwound (stopped at once, the window gone).
// Nothing the recorder does can fail or stop the run.

namespace vantrel {

class Bootstrap;

class RecordedRun {
public:
    explicit RecordedRun(Bootstrap& w);
    ~RecordedRun();
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun& operator=(const RecordedRun&) = delete;

private:
    Bootstrap& w_;
    bool started_ = false;
    int exceptionsBefore_;
};

}  // namespace vantrel
