#pragma once

class QueryContext;
class QueryForm;
class ServerWait;

// One run of the query window's query: the selection and field list from the window, the
// query started on the server, its records read into the result list with the count in the
// status bar, and the end, also when the records could not all be read. While it runs the
// window's run state is on (break button, menus off, pointer), and Break (or a close) ends it.
class QueryRun
{
public:
    QueryRun(QueryForm* form, QueryContext* context, ServerWait* wait);

    bool isRunning() const { return m_running; }
    // Runs the query of the window's present selection into its result columns; the window
    // checked before that it may run.
    void run();
    // Ends the running query: the reading of its records, or the wait for its first block.
    void breakOff();

private:
    void setRunState(bool running);

    QueryForm* m_form;
    QueryContext* m_context;
    ServerWait* m_wait;
    bool m_running = false;
    bool m_breakRequested = false;
};
