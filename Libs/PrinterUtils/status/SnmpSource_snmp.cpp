// SPDX-License-Identifier: Apache-2.0
// Reading an agent with net-snmp's single-session API: one session per
// read, the subtrees walked together with GETBULK (one by one with GETNEXT
// for v1) until each ends.
// Every request's timeout and retries are cut to the time left before the
// read's deadline, so the whole read cannot outlast timeoutMs.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <utility>

#include "SnmpSource.h"
#include "SnmpWalker_snmp.h"

namespace PrinterUtils {

namespace {

using TClock = TSnmpClock;

// The subtrees read, numeric: no MIB files are needed or read.
const std::vector<TSnmpSubtree> kSubtrees = {
    {{1, 3, 6, 1, 2, 1, 1, 1}, true},              // sysDescr
    {{1, 3, 6, 1, 2, 1, 1, 3}, true},              // sysUpTime
    {{1, 3, 6, 1, 2, 1, 25, 2, 3}, false},         // hrStorageTable
    {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3}, false},   // hrDeviceDescr
    {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5}, false},   // hrDeviceStatus
    {{1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 1}, true},    // hrPrinterStatus
    {{1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 2}, true},    // hrPrinterDetectedErrorState
    {{1, 3, 6, 1, 2, 1, 43, 5, 1, 1, 17}, true},   // prtGeneralSerialNumber
    {{1, 3, 6, 1, 2, 1, 43, 8, 2, 1}, false},      // prtInputTable
    {{1, 3, 6, 1, 2, 1, 43, 9, 2, 1}, false},      // prtOutputTable
    {{1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 3}, true},   // prtMarkerCounterUnit
    {{1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 4}, true},   // prtMarkerLifeCount
    {{1, 3, 6, 1, 2, 1, 43, 11, 1, 1}, false},     // prtMarkerSuppliesTable
    {{1, 3, 6, 1, 2, 1, 43, 12, 1, 1, 4}, false},  // prtMarkerColorantValue
    {{1, 3, 6, 1, 2, 1, 43, 15, 1, 1}, false},     // prtInterpreterTable
    {{1, 3, 6, 1, 2, 1, 43, 18, 1, 1}, false},     // prtAlertTable
};

// net-snmp keeps global state without locks of its own in Debian's build.
// Sessions of v1 and v2c open and close under gSessionLock (neither does
// network I/O for them). SNMPv3 keeps its users and their keys in one
// global list: SNMPv3 reads run one at a time under gV3Lock, from opening
// (which asks the agent for its engine ID) to closing.
std::mutex gSessionLock;
std::mutex gV3Lock;

void InitLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
        // No MIB files are searched or loaded ($HOME's included): every OID is numeric.
        netsnmp_set_mib_directory("");
        static char noMibs[] = "mibs :";
        netsnmp_config_remember(noMibs);
        // The library's own messages are dropped: each read reports its
        // failure in its error text, and the library must not write to stderr.
        netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_DEBUG);
        SOCK_STARTUP;
        init_snmp("quellmark");
    });
}

// One open session, closed under the lock its kind needs. An SNMPv3
// session's user is removed again: net-snmp would otherwise keep its keys
// for the agent's engine, and the next read would not check its password.
class TSession {
public:
    TSession(netsnmp_session& settings, bool v3) : v3_(v3)
    {
        const auto lock = Lock();
        handle_ = snmp_sess_open(&settings);
    }
    ~TSession()
    {
        if (!handle_) return;
        const netsnmp_session* used = snmp_sess_session(handle_);
        if (v3_ && used) {
            if (usmUser* user = usm_get_user(used->securityEngineID, used->securityEngineIDLen, used->securityName)) {
                usm_remove_user(user);
                usm_free_user(user);
            }
        }
        const auto lock = Lock();
        snmp_sess_close(handle_);
    }
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;
    void* Get() const { return handle_; }

private:
    std::unique_lock<std::mutex> Lock() const
    {
        return v3_ ? std::unique_lock<std::mutex>() : std::unique_lock<std::mutex>(gSessionLock);
    }
    void* handle_ = nullptr;
    bool v3_;
};

bool SetSecurity(const TSnmpSettings& settings, netsnmp_session& session, std::string& problem)
{
    if (settings.version == "1" || settings.version == "2c") {
        session.version = settings.version == "1" ? SNMP_VERSION_1 : SNMP_VERSION_2c;
        session.community = reinterpret_cast<u_char*>(const_cast<char*>(settings.community.c_str()));
        session.community_len = settings.community.size();
        return true;
    }
    if (settings.version != "3") return problem = "unknown SNMP version \"" + settings.version + "\"", false;
    if (settings.user.empty()) return problem = "SNMPv3 needs a user name", false;
    session.version = SNMP_VERSION_3;
    session.securityName = const_cast<char*>(settings.user.c_str());
    session.securityNameLen = settings.user.size();
    session.securityLevel = SNMP_SEC_LEVEL_NOAUTH;
    if (settings.authPassword.empty()) return true;
    const std::pair<const char*, oid*> authProtocols[] = {{"", usmHMACSHA1AuthProtocol},
                                                          {"SHA", usmHMACSHA1AuthProtocol},
                                                          {"MD5", usmHMACMD5AuthProtocol},
                                                          {"SHA-256", usmHMAC192SHA256AuthProtocol},
                                                          {"SHA-512", usmHMAC384SHA512AuthProtocol}};
    const auto* auth = std::find_if(std::begin(authProtocols), std::end(authProtocols),
                                    [&](const auto& entry) { return settings.authProtocol == entry.first; });
    if (auth == std::end(authProtocols))
        return problem = "unknown SNMPv3 authentication protocol \"" + settings.authProtocol + "\"", false;
    session.securityAuthProto = auth->second;
    session.securityAuthProtoLen = USM_AUTH_PROTO_SHA_LEN;  // every one of these OIDs has 10 parts
    const auto key = [&](const std::string& password, u_char* out, size_t* length) {
        *length = USM_AUTH_KU_LEN;
        return generate_Ku(session.securityAuthProto, static_cast<u_int>(session.securityAuthProtoLen),
                           reinterpret_cast<const u_char*>(password.data()), password.size(), out,
                           length) == SNMPERR_SUCCESS;
    };
    if (!key(settings.authPassword, session.securityAuthKey, &session.securityAuthKeyLen))
        return problem = "the SNMPv3 authentication password is not usable (at least 8 characters)", false;
    session.securityLevel = SNMP_SEC_LEVEL_AUTHNOPRIV;
    if (settings.privPassword.empty()) return true;
    if (settings.privProtocol == "DES") {
        session.securityPrivProto = usmDESPrivProtocol;
        session.securityPrivProtoLen = OID_LENGTH(usmDESPrivProtocol);
    } else if (settings.privProtocol == "AES" || settings.privProtocol.empty()) {
        session.securityPrivProto = usmAESPrivProtocol;
        session.securityPrivProtoLen = OID_LENGTH(usmAESPrivProtocol);
    } else {
        return problem = "unknown SNMPv3 privacy protocol \"" + settings.privProtocol + "\"", false;
    }
    if (!key(settings.privPassword, session.securityPrivKey, &session.securityPrivKeyLen))
        return problem = "the SNMPv3 privacy password is not usable (at least 8 characters)", false;
    session.securityLevel = SNMP_SEC_LEVEL_AUTHPRIV;
    return true;
}

std::string Seconds(int ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

}  // namespace

bool ReadSnmpStatus(const TSnmpSettings& settings, const std::string& host, int port, int timeoutMs,
                    TPrinterStatus& status, std::string& error)
{
    const auto deadline = TClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 1));
    const std::string where = host + ":" + std::to_string(port);
    InitLibrary();

    netsnmp_session settingsSession;
    snmp_sess_init(&settingsSession);
    std::string peer =
        (host.find(':') != std::string::npos ? "udp6:[" + host + "]:" : "udp:" + host + ":") + std::to_string(port);
    settingsSession.peername = peer.data();
    CutTimeout(settingsSession, deadline);
    std::string problem;
    if (port <= 0 || port > 65535) problem = "not a port number";
    if (!problem.empty() || !SetSecurity(settings, settingsSession, problem)) {
        error = where + ": " + problem;
        return false;
    }

    const bool v3 = settings.version == "3";
    std::unique_lock<std::mutex> v3Lock(gV3Lock, std::defer_lock);
    if (v3) v3Lock.lock();
    std::vector<TSnmpValue> values;
    bool timedOut = false;
    {
        const TSession session(settingsSession, v3);
        if (!session.Get()) {
            int libError = 0, sysError = 0;
            char* text = nullptr;
            snmp_error(&settingsSession, &libError, &sysError, &text);
            timedOut = libError == SNMPERR_TIMEOUT || TClock::now() >= deadline;
            problem = text ? text : "cannot open an SNMP session";
            std::free(text);
        }
        TSnmpWalker walker(session.Get(), settings.version != "1", deadline);
        if (session.Get()) walker.Walk(kSubtrees, values, problem, timedOut);
    }
    if (v3) v3Lock.unlock();
    if (timedOut) problem = "the SNMP agent did not answer within " + Seconds(timeoutMs) + " s";
    if (!problem.empty()) {
        error = where + ": " + problem;
        return false;
    }
    if (values.empty()) {
        error = where + ": the SNMP agent answered no printer values";
        return false;
    }
    FillFromSnmpValues(values, status);
    return true;
}

}  // namespace PrinterUtils
