#include "virtual/Faults.h"

#include "virtual/Protocol.h"

#include <cstdlib>

namespace vantrel::virt {
namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool parseUnsigned(std::string_view text, std::uint64_t& out)
{
    const std::string s(text);
    if (s.empty() || s[0] == '-') return false;
    char* end = nullptr;
    out = std::strtoull(s.c_str(), &end, 0);
    return end != nullptr && *end == '\0';
}

bool parseDouble(std::string_view text, double& out)
{
    const std::string s(text);
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end != nullptr && *end == '\0';
}

bool parseKind(std::string_view name, FaultKind& kind)
{
    if (name == "drop") kind = FaultKind::MissingReply;
    else if (name == "code") kind = FaultKind::WrongReplyCode;
    else if (name == "countdown") kind = FaultKind::BrokenCountdown;
    else if (name == "write") kind = FaultKind::FailingWrite;
    else if (name == "unplug") kind = FaultKind::Unplug;
    else if (name == "status") kind = FaultKind::BadStatus;
    else return false;
    return true;
}

bool parseRule(std::string_view text, FaultRule& rule)
{
    std::size_t comma = text.find(',');
    if (!parseKind(trim(text.substr(0, comma)), rule.kind)) return false;
    while (comma != std::string_view::npos) {
        text.remove_prefix(comma + 1);
        comma = text.find(',');
        const std::string_view option = trim(text.substr(0, comma));
        const std::size_t eq = option.find('=');
        if (eq == std::string_view::npos) return false;
        const std::string_view key = trim(option.substr(0, eq));
        const std::string_view value = trim(option.substr(eq + 1));
        std::uint64_t number = 0;
        if (key == "p") {
            if (!parseDouble(value, rule.probability) || rule.probability < 0.0 || rule.probability > 1.0)
                return false;
        } else if (!parseUnsigned(value, number)) {
            return false;
        } else if (key == "cmd" && number <= 0xFF) {
            rule.command = static_cast<int>(number);
        } else if (key == "device" && number < 1000) {
            rule.device = static_cast<int>(number);
        } else if (key == "once" && number > 0) {
            rule.once = number;
        } else if (key == "seed") {
            rule.seed = number;
        } else if (key == "for" && number < 1000000) {
            rule.absentOpens = static_cast<int>(number);
        } else if (key == "value" && number >= 1 && number <= 0xFF) {
            rule.status = static_cast<std::uint8_t>(number);
        } else {
            return false;
        }
    }
    if (rule.once == 0 && rule.probability == 0.0) rule.once = 1;
    return true;
}

}  // namespace

FaultSpec parseFaultSpec(std::string_view text)
{
    FaultSpec spec;
    while (!text.empty()) {
        const std::size_t semicolon = text.find(';');
        const std::string_view part = trim(text.substr(0, semicolon));
        if (!part.empty()) {
            FaultRule rule;
            if (parseRule(part, rule)) {
                spec.rules.push_back(rule);
            } else {
                if (!spec.error.empty()) spec.error += "; ";
                spec.error += "unrecognised fault rule \"" + std::string(part) + "\"";
            }
        }
        if (semicolon == std::string_view::npos) break;
        text.remove_prefix(semicolon + 1);
    }
    return spec;
}

bool faultApplies(FaultKind kind, std::uint8_t command)
{
    switch (kind) {
    case FaultKind::FailingWrite:
    case FaultKind::Unplug: return true;
    case FaultKind::MissingReply:
    case FaultKind::WrongReplyCode: return expectsReply(command);
    case FaultKind::BrokenCountdown: return command == kCmdGetFrame || command == kCmdReadFlash;
    case FaultKind::BadStatus: return hasStatusByte(command);
    }
    return false;
}

void FaultInjector::add(const FaultRule& rule)
{
    std::lock_guard lock(m_mutex);
    Active active;
    active.rule = rule;
    active.rng = Rng(rule.seed);
    m_rules.push_back(active);
}

void FaultInjector::clear()
{
    std::lock_guard lock(m_mutex);
    m_rules.clear();
    m_fired = 0;
}

FaultHits FaultInjector::decide(int device, std::uint8_t command)
{
    FaultHits hits;
    std::lock_guard lock(m_mutex);
    for (Active& active : m_rules) {
        const FaultRule& rule = active.rule;
        if (rule.device >= 0 && rule.device != device) continue;
        if (rule.command >= 0 && rule.command != command) continue;
        if (!faultApplies(rule.kind, command)) continue;
        ++active.matches;
        const bool fire = rule.once > 0 ? active.matches == rule.once : active.rng.uniform() < rule.probability;
        if (!fire) continue;
        ++m_fired;
        switch (rule.kind) {
        case FaultKind::MissingReply: hits.missingReply = true; break;
        case FaultKind::WrongReplyCode: hits.wrongReplyCode = true; break;
        case FaultKind::BrokenCountdown: hits.brokenCountdown = true; break;
        case FaultKind::FailingWrite: hits.failingWrite = true; break;
        case FaultKind::Unplug:
            hits.unplug = true;
            hits.absentOpens = rule.absentOpens;
            break;
        case FaultKind::BadStatus: hits.status = rule.status; break;
        }
    }
    return hits;
}

std::uint64_t FaultInjector::fired() const
{
    std::lock_guard lock(m_mutex);
    return m_fired;
}

}  // namespace vantrel::virt
