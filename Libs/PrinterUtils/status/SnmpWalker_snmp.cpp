// SPDX-License-Identifier: Apache-2.0
#include "SnmpWalker_snmp.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace PrinterUtils {

namespace {

constexpr long kMaxRepetitions = 40;
// Variables asked for in one GETBULK request, all subtrees together: agents
// cut longer answers short (to 64 variables, or to what fits a datagram).
constexpr long kMaxBulkValues = 60;
// Bytes kept of one octet string before it is cleaned (to 1 KiB of text).
constexpr std::size_t kMaxRawBytes = 4096;
constexpr std::size_t kMaxOidValueLength = 128;
// Time kept back from the requests' timeouts for the work around them.
constexpr long long kReserveUs = 5000;

struct TPduFree {
    void operator()(netsnmp_pdu* pdu) const noexcept { snmp_free_pdu(pdu); }
};

TSnmpValue ToValue(const netsnmp_variable_list& var)
{
    TSnmpValue value;
    value.oid.assign(var.name, var.name + var.name_length);
    switch (var.type) {
    case ASN_INTEGER: value.type = TSnmpType::Integer, value.integer = *var.val.integer; break;
    case ASN_COUNTER:
    case ASN_GAUGE:
        value.type = TSnmpType::Counter, value.integer = static_cast<unsigned long>(*var.val.integer) & 0xFFFFFFFFUL;
        break;
    case ASN_TIMETICKS:
        value.type = TSnmpType::TimeTicks, value.integer = static_cast<unsigned long>(*var.val.integer) & 0xFFFFFFFFUL;
        break;
    case ASN_COUNTER64:
        value.type = TSnmpType::Counter;
        value.integer = static_cast<long long>(((var.val.counter64->high & 0x7FFFFFFFULL) << 32) |
                                               (var.val.counter64->low & 0xFFFFFFFFULL));
        break;
    case ASN_OCTET_STR:
        value.type = TSnmpType::OctetString;
        value.bytes.assign(reinterpret_cast<const char*>(var.val.string), std::min(var.val_len, kMaxRawBytes));
        break;
    case ASN_OBJECT_ID:
        value.type = TSnmpType::Oid;
        for (std::size_t i = 0; i < std::min(var.val_len / sizeof(oid), kMaxOidValueLength); ++i)
            value.bytes += (i ? "." : "") + std::to_string(var.val.objid[i]);
        break;
    default: break;
    }
    return value;
}

}  // namespace

void CutTimeout(netsnmp_session& session, TSnmpClock::time_point deadline)
{
    const auto leftUs = std::chrono::duration_cast<std::chrono::microseconds>(deadline - TSnmpClock::now()).count();
    session.retries = 1;
    session.timeout = std::clamp<long>(static_cast<long>((leftUs - kReserveUs) / 2), 1, 1000000);
}

bool TSnmpWalker::Walk(const std::vector<TSnmpSubtree>& subtrees, std::vector<TSnmpValue>& values, std::string& problem,
                       bool& timedOut)
{
    std::vector<TColumn> columns;
    for (const TSnmpSubtree& subtree : subtrees)
        columns.push_back(TColumn{&subtree.root, subtree.root, {}, subtree.single, false});
    std::size_t total = 0;
    for (;;) {
        // The non-repeaters first, as GETBULK wants them.
        std::vector<TColumn*> active;
        std::size_t singles = 0;
        for (bool single : {true, false}) {
            for (TColumn& column : columns) {
                if (column.done || column.single != single || (!bulk_ && !active.empty())) continue;
                active.push_back(&column);
                if (single) ++singles;
            }
        }
        if (active.empty() || total >= kSnmpMaxValues) break;
        if (!bulk_) singles = 0;
        netsnmp_pdu* raw = nullptr;
        if (!Ask(active, singles, total, raw, problem, timedOut)) return false;
        const std::unique_ptr<netsnmp_pdu, TPduFree> response(raw);
        // v1 ends a walk past the last object with noSuchName; any
        // other error ends the subtrees asked.
        if (response->errstat != SNMP_ERR_NOERROR) {
            for (TColumn* column : active) column->done = true;
            continue;
        }
        // A GETBULK answer holds one object of each non-repeater, then
        // repeats the other subtrees asked in turn. An agent may cut the
        // answer short anywhere; a subtree it left out is asked again.
        std::vector<bool> ended(active.size(), false);
        bool progressed = false;
        std::size_t v = 0;
        const std::size_t repeaters = active.size() - singles;
        for (auto* var = response->variables; var && total < kSnmpMaxValues; var = var->next_variable, ++v) {
            if (v >= singles && repeaters == 0) break;
            const std::size_t j = v < singles ? v : singles + (v - singles) % repeaters;
            if (ended[j]) continue;
            TColumn& column = *active[j];
            const std::vector<oid>& root = *column.root;
            const bool inside = var->name_length > root.size() && std::equal(root.begin(), root.end(), var->name) &&
                                std::lexicographical_compare(column.cursor.begin(), column.cursor.end(), var->name,
                                                             var->name + var->name_length);
            if (!inside || var->type == SNMP_ENDOFMIBVIEW || var->type == SNMP_NOSUCHOBJECT ||
                var->type == SNMP_NOSUCHINSTANCE) {
                ended[j] = column.done = true;
                continue;
            }
            column.found.push_back(ToValue(*var));
            column.cursor.assign(var->name, var->name + var->name_length);
            ++total;
            progressed = true;
        }
        // An answer that moved no subtree on would be asked again for ever.
        if (!progressed)
            for (TColumn* column : active) column->done = true;
    }
    for (TColumn& column : columns)
        for (TSnmpValue& value : column.found) values.push_back(std::move(value));
    return true;
}

bool TSnmpWalker::Ask(const std::vector<TColumn*>& active, std::size_t singles, std::size_t total,
                      netsnmp_pdu*& response, std::string& problem, bool& timedOut)
{
    if (TSnmpClock::now() >= deadline_) return timedOut = true, false;
    CutTimeout(*snmp_sess_session(session_), deadline_);
    netsnmp_pdu* request = snmp_pdu_create(bulk_ ? SNMP_MSG_GETBULK : SNMP_MSG_GETNEXT);
    if (bulk_) {
        const long repeaters = static_cast<long>(active.size() - singles);
        const long perSubtree = std::max<long>(1, kMaxBulkValues / std::max<long>(1, repeaters));
        request->non_repeaters = static_cast<long>(singles);
        request->max_repetitions =
            std::min<long>({kMaxRepetitions, perSubtree, static_cast<long>(kSnmpMaxValues - total)});
    }
    for (const TColumn* column : active) snmp_add_null_var(request, column->cursor.data(), column->cursor.size());
    const int result = snmp_sess_synch_response(session_, request, &response);
    if (result == STAT_TIMEOUT) return timedOut = true, false;
    if (result != STAT_SUCCESS || !response) {
        if (response) snmp_free_pdu(response);
        response = nullptr;
        char* text = nullptr;
        int libError = 0, sysError = 0;
        snmp_sess_error(session_, &libError, &sysError, &text);
        problem = text ? text : "the SNMP request failed";
        std::free(text);
        return false;
    }
    return true;
}

}  // namespace PrinterUtils
