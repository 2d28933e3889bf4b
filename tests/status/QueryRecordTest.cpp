// SPDX-License-Identifier: Apache-2.0
// quellmark query against every modelled printer, each in the protocols it
// speaks: the record of each is valid under the installed JSON Schema and
// holds the printer's key values, with their sources. SNMPv3 passwords come
// from the environment, never the command line.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "AppSocketTestPrinter.h"
#include "IppTestPrinter.h"
#include "ShellCommand.h"
#include "SnmpTestAgent.h"

using namespace QuellmarkTest;

namespace {

struct TModel {
    const char* name;
    // Starts the printer's peers and gives the query's arguments.
    std::function<std::string(std::vector<std::shared_ptr<void>>&)> start;
    std::vector<std::pair<std::string, std::string>> expect;  // JSON pointer -> value as JSON text
};

std::string Walks(const char* walk, std::vector<std::shared_ptr<void>>& keep, const TSnmpV3User* user = nullptr)
{
    auto agent = std::make_shared<SnmpTestAgent>(std::vector<std::string>{std::string(walk) + ".snmprec"}, user);
    keep.push_back(agent);
    return std::to_string(agent->Port());
}

// An IPP printer kept for the run; its address.
std::string Ipp(IppTestPrinter printer, std::vector<std::shared_ptr<void>>& keep)
{
    auto kept = std::make_shared<IppTestPrinter>(std::move(printer));
    keep.push_back(kept);
    return kept->Uri();
}

std::string Attributes(const char* file)
{
    return std::string(QUELLMARK_IPP_PRINTERS) + "/" + file;
}

const TSnmpV3User kUser{"quellmark", "SHA", "auth-secret-1", "AES", "priv-secret-1"};

const TModel kModels[] = {
    {"MonoLaserSnmp",
     [](auto& keep) { return "snmp://mono-laser@127.0.0.1:" + Walks("mono-laser", keep); },
     {{"/takes_postscript", "true"}, {"/sources/page_count", "\"snmp\""}, {"/supplies/0/color", "\"black\""}}},
    {"MonoLaserPjl",
     [](auto& keep) {
         auto printer = std::make_shared<AppSocketTestPrinter>("pjl");
         keep.push_back(printer);
         return "--protocols pjl " + printer->Address();
     },
     {{"/sources/languages", "\"pjl\""}, {"/takes_postscript", "true"}}},
    {"ColourMfpSnmp",
     [](auto& keep) { return "snmp://colour-mfp@127.0.0.1:" + Walks("colour-mfp", keep); },
     {{"/supplies/1/color", "\"magenta\""}, {"/status", "\"completed\""}}},
    {"OddSuppliesSnmp",
     [](auto& keep) { return "snmp://odd-supplies@127.0.0.1:" + Walks("odd-supplies", keep); },
     {{"/status", "\"completed\""}}},
    {"V3OnlySnmp",
     [](auto& keep) {
         return "--snmp-version 3 --snmp-user quellmark --snmp-auth SHA --snmp-priv AES snmp://127.0.0.1:" +
                Walks("v3-only", keep, &kUser);
     },
     {{"/status", "\"completed\""}, {"/sources/make_and_model", "\"snmp\""}}},
    {"ColourMfpIpp",
     [](auto& keep) { return Ipp(IppTestPrinter::Eve(Attributes("colour-mfp.conf")), keep); },
     {{"/make_and_model", "\"Corvane ColorMF 4400\""}, {"/takes_postscript", "true"}}},
    {"InkjetIppWithoutPostScript",
     [](auto& keep) { return Ipp(IppTestPrinter::Eve(Attributes("inkjet.conf")), keep); },
     {{"/takes_postscript", "false"}, {"/sources/supplies", "\"ipp\""}}},
    {"OldPrinterIpp11",
     [](auto& keep) { return Ipp(IppTestPrinter::Peer("ipp-1.1-only"), keep); },
     {{"/state", "\"stopped\""}, {"/serial_number", "\"LM21X0098\""}}},
};

class QueryRecord : public ::testing::TestWithParam<TModel> {};

TEST_P(QueryRecord, IsValidAndHoldsThePrintersValues)
{
    const TModel& model = GetParam();
    std::vector<std::shared_ptr<void>> keep;
    const std::string args = model.start(keep);
    const std::string out = ::testing::TempDir() + "quellmark-record-" + model.name + ".json";
    int exitCode = -1;
    RunShell("QUELLMARK_SNMP_AUTH_PASSWORD=auth-secret-1 QUELLMARK_SNMP_PRIV_PASSWORD=priv-secret-1 '" +
                 std::string(QUELLMARK_CLI) + "' query --json --timeout 5 " + args + " > '" + out + "'",
             exitCode);
    EXPECT_EQ(exitCode, 0);
    // The schema the program installs checks every record.
    int valid = -1;
    const std::string verdict =
        RunShell("python3 -c 'import json,sys,jsonschema; s=json.load(open(sys.argv[1])); "
                 "[jsonschema.validate(o, s) for o in json.load(open(sys.argv[2]))]; print(\"valid\")' '" +
                     std::string(QUELLMARK_SCHEMA) + "' '" + out + "' 2>&1",
                 valid);
    EXPECT_EQ(valid, 0) << verdict;
    int ignored = 0;
    const nlohmann::json records = nlohmann::json::parse(RunShell("cat '" + out + "'", ignored), nullptr, false);
    ASSERT_TRUE(records.is_array() && records.size() == 1) << records.dump();
    for (const auto& [pointer, value] : model.expect)
        EXPECT_EQ(records[0].value(nlohmann::json::json_pointer(pointer), nlohmann::json()).dump(), value)
            << pointer << "\n"
            << records[0].dump(2);
    std::remove(out.c_str());
}

INSTANTIATE_TEST_SUITE_P(Models, QueryRecord, ::testing::ValuesIn(kModels),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
