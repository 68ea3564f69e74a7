#pragma once
// The user interface thread's message loop with message filters: each queued
// message is offered to the filters, the one registered last first; a message
// no filter consumes is translated and dispatched.
#include <windows.h>

#include <vector>

class CMessageFilter {
public:
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;

protected:
    ~CMessageFilter() = default;
};

class CMessageLoop {
public:
    void AddMessageFilter(CMessageFilter* filter);
    void RemoveMessageFilter(CMessageFilter* filter);
    // Runs until WM_QUIT; returns its exit code. A GetMessageW failure (-1)
    // is ignored and the loop goes on.
    int Run();
    // Offers one message to the filters; true when one consumed it.
    bool PreTranslate(MSG* msg);

private:
    std::vector<CMessageFilter*> filters_;
};
