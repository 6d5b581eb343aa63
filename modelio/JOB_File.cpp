#include "modelio/JOB_File.h"

#include <filesystem>

#include "model/Project.h"
#include "model/SCENARIO.h"
#include "model/SECTOR.h"

namespace zep::modelio {

using namespace model;

namespace {
const std::string kCheck = "if ERRORLEVEL 1 GOTO Errors";
const std::string kRule = "rem ** " + std::string(73, '-') + " /";
} // namespace

std::string JOBFileName(const TProject& project, const TScenario& scenario) {
    return InputFileName(project, &scenario, "", false, "BAT");
}

TLines BuildJOB(const TProject& project, const TScenario& scenario) {
    const std::string s = scenario.GetName();
    const bool sectors = project.Sectors().Count() > 0;
    const TScenario* parent = scenario.Parent();
    TLines lines;
    auto add = [&](std::string line) { lines.push_back(std::move(line)); };
    auto run = [&](std::string program) {
        add(std::move(program));
        add(kCheck);
    };

    add("@echo off");
    for (const std::string& title : TitleBlock("VARDEN Excecution Batch File", project, &scenario))
        add("rem ** " + title);
    add("rem ** SCENARIO " + s + " " + scenario.GetDescription());
    if (parent) {
        add("if [%1] == [] GOTO S_" + s);
        add("");
        const std::string parentJob =
            std::filesystem::path(JOBFileName(project, *parent)).filename().string();
        add("CALL " + parentJob + " %1");
    }
    add("");
    add(":S_" + s);
    run("GRAVO " + s + " N");

    if (&scenario == project.BaseScenario()) {
        add("rem ** Uncomment the lines marked with *1* if this is the first run of the model");
        add("");
        add("rem *1* KELVA " + s + " I");
        add("rem *1* " + kCheck);
        if (sectors) {
            add("rem *1* DUVA " + s);
            add("rem *1* " + kCheck);
            add("rem *1* WRIN " + s + " N");
            add("rem *1* " + kCheck);
            add("rem *1* MARO " + s);
        } else {
            add("rem *1* MARO " + s + " I");
        }
        add("rem *1* " + kCheck);
        add("");
        run("KELVA " + s + " N");
        if (sectors) {
            run("DUVA " + s);
            run("WRIN " + s + " N");
            run("MARO " + s);
        } else {
            run("MARO " + s + " I");
        }
    } else {
        if (sectors) {
            run("SEB " + s + " N");
            add("MARO " + s);
        } else {
            add("MARO " + s + " I");
        }
        add(kCheck);
        run("KELVA " + s + " N");
        if (sectors) run("DUVA " + s);
    }

    add(kRule);
    add("");
    add("GOTO end");
    add(":Errors");
    add("echo *** THERE WERE ERRORS ***");
    add("");
    add(":end");
    return lines;
}

bool WriteJOB(const TProject& project, const TScenario& scenario) {
    return SaveIfChanged(JOBFileName(project, scenario), BuildJOB(project, scenario));
}

} // namespace zep::modelio
