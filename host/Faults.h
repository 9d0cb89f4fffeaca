// Fault injection: makes chosen host calls fail, so a test can prove that
// the caller cleans up and loses nothing.
//
// Every method of the interfaces in core/host/VGCore.h is a counted host call
// named "Interface.Method" after its declaration ("IVGDocument.
// BeginCommandGroup", "IVGPage.put_SizeWidth", ...). QueryInterface, AddRef,
// Release, the IDispatch methods and IHostErrorInfo are not counted and never
// fail. A failing call returns the rule's status, sets the rule's text as the
// calling thread's last error and leaves the host unchanged.
//
// Threads: any thread; one internal mutex, held only briefly.
#pragma once

#include "core/host/ComTypes.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace mosvik::host {

class Faults {
public:
    struct Rule {
        std::string operation; // "Interface.Method"; empty matches every call
        int skip = 0;          // matching calls that pass before the first failure
        int times = -1;        // failures to inject; -1: every later matching call
        com::HRESULT status = com::E_FAIL;
        std::u16string text; // empty: "injected failure of <operation>"
    };

    void add(Rule rule);
    // Every call of `operation` from now on fails.
    void failOn(const std::string& operation);
    void failOnce(const std::string& operation);
    // The n-th call of `operation` from now (1 = the next) fails, once.
    void failOnNth(const std::string& operation, int n);
    // The n-th counted host call from now fails, whatever it is.
    void failNthCall(int n);
    void clear();

    // Counted host calls since the application started, in total and by name.
    uint64_t calls() const;
    int calls(const std::string& operation) const;
    // Names of the calls that failed by injection, in order.
    std::vector<std::string> injected() const;

    struct Failure {
        com::HRESULT status;
        std::u16string text;
    };
    // Counts the call and says whether it must fail.
    std::optional<Failure> onCall(const char* operation);

private:
    mutable std::mutex mutex_;
    std::vector<Rule> rules_;
    uint64_t calls_ = 0;
    std::map<std::string, int> byName_;
    std::vector<std::string> injected_;
};

} // namespace mosvik::host
