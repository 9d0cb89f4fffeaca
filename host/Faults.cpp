#include "Faults.h"

#include "core/host/HostError.h"

namespace mosvik::host {

void Faults::add(Rule rule) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.push_back(std::move(rule));
}

void Faults::failOn(const std::string& operation) {
    add(Rule{operation, 0, -1, com::E_FAIL, {}});
}

void Faults::failOnce(const std::string& operation) {
    failOnNth(operation, 1);
}

void Faults::failOnNth(const std::string& operation, int n) {
    add(Rule{operation, n - 1, 1, com::E_FAIL, {}});
}

void Faults::failNthCall(int n) {
    add(Rule{{}, n - 1, 1, com::E_FAIL, {}});
}

void Faults::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.clear();
}

uint64_t Faults::calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

int Faults::calls(const std::string& operation) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = byName_.find(operation);
    return it == byName_.end() ? 0 : it->second;
}

std::vector<std::string> Faults::injected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return injected_;
}

std::optional<Faults::Failure> Faults::onCall(const char* operation) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++calls_;
    ++byName_[operation];
    std::optional<Failure> failure;
    for (Rule& rule : rules_) {
        if (!rule.operation.empty() && rule.operation != operation)
            continue;
        if (rule.times == 0)
            continue;
        if (rule.skip > 0) {
            --rule.skip;
            continue;
        }
        if (rule.times > 0)
            --rule.times;
        if (!failure) {
            std::u16string text = rule.text;
            if (text.empty())
                text = u"injected failure of " + com::fromUtf8(operation);
            failure = Failure{rule.status, std::move(text)};
        }
    }
    if (failure)
        injected_.push_back(operation);
    return failure;
}

} // namespace mosvik::host
