#include "sequence/summary_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <streambuf>

#include "run/version.h"
#include "sequence/driver.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// Passes the console on unchanged and keeps its last non-blank lines, so a
// stop without a message can still say why in the summary.
class ConsoleTail : public std::streambuf {
public:
    explicit ConsoleTail(std::streambuf* to) : to_(to) {}
    std::deque<std::string> lines;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        keep(traits_type::to_char_type(c));
        return to_->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        for (std::streamsize i = 0; i < n; ++i) keep(s[i]);
        return to_->sputn(s, n);
    }
    int sync() override { return to_->pubsync(); }

private:
    void keep(char c) {
        if (c != '\n') {
            if (c != '\r') partial_ += c;
            return;
        }
        if (partial_.find_first_not_of(" \t") != std::string::npos) lines.push_back(partial_);
        if (lines.size() > 20) lines.pop_front();
        partial_.clear();
    }
    std::streambuf* to_;
    std::string partial_;
};

// The files named after the title at start that a run writes into.
std::vector<std::string> run_file_names(const RunState& st) {
    std::vector<std::string> names;
    for (const std::string& n : {st.logfile, st.memreflfile, st.symfile})
        if (!blank(n)) names.push_back(trim(n));
    if (!blank(st.filetitle))
        for (const char* ext : {".QLhst", ".QLcheck"}) names.push_back(trim(st.filetitle) + ext);
    return names;
}

struct Seen {
    bool exists = false;
    std::uintmax_t size = 0;
    fs::file_time_type time{};
};

Seen look(const std::string& name) {
    std::error_code ec;
    Seen s;
    s.exists = fs::is_regular_file(name, ec);
    if (s.exists) s.size = fs::file_size(name, ec), s.time = fs::last_write_time(name, ec);
    return s;
}

constexpr const char* kRunExtensions[] = {".QLlog", ".QLout", ".QLsymtb", ".QLhst", ".QLcheck"};

// The run files present before the run: every file of the working folder
// with a run-file extension (the title may come from the console, and the
// filebase keyword may rename the later ones), and those of the title given
// on the command line.
std::map<std::string, Seen> run_files_before(const RunState& st) {
    std::map<std::string, Seen> seen;
    auto has_run_extension = [](const std::string& name) {
        for (const char* ext : kRunExtensions) {
            const std::string e = ext;
            if (name.size() > e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0) return true;
        }
        return false;
    };
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(".", ec)) {
        const std::string name = entry.path().filename().string();
        if (has_run_extension(name)) seen[name] = look(name);
    }
    if (!st.args.empty())
        for (const char* ext : kRunExtensions) seen[st.args[0] + ext] = look(st.args[0] + ext);
    return seen;
}

// The summary's name: the title given at start (as the log's), so that it
// sits beside the log it summarises.
std::string summary_name(const RunState& st) {
    std::string log = trim(st.logfile);
    const std::string ext = ".QLlog";
    if (log.size() <= ext.size() || log.compare(log.size() - ext.size(), ext.size(), ext) != 0) return "";
    return log.substr(0, log.size() - ext.size()) + ".QLsum.json";
}

std::string stop_text(const RunStop& stop, const ConsoleTail& tail) {
    if (!stop.message().empty()) return stop.message();
    // The console lines from the first error line on say why; without an
    // error line, the last line does.
    auto first = std::find_if(tail.lines.begin(), tail.lines.end(),
                              [](const std::string& l) { return l.rfind("Error", 0) == 0; });
    if (first == tail.lines.end()) return tail.lines.empty() ? "" : tail.lines.back();
    std::string text;
    for (auto it = first; it != tail.lines.end(); ++it) text += (it == first ? "" : "\n") + *it;
    return text;
}

// Writes the summary; the system's reason when it could not be written,
// empty otherwise.
std::string write_file(const RunState& st, const RunEnd& end) {
    const std::string name = summary_name(st);
    if (name.empty()) return "";
    // Written aside and renamed, so a reader never sees half a summary.
    const std::string part = name + ".part";
    errno = 0;
    bool written = false;
    {
        std::ofstream f(part, std::ios::trunc);
        f << summary_json(st, end) << '\n';
        f.close();
        written = !f.fail();
    }
    std::error_code ec;
    if (written) {
        fs::rename(part, name, ec);
        if (!ec) return "";
    }
    const std::string reason = ec ? ec.message() : std::strerror(errno != 0 ? errno : EIO);
    fs::remove(part, ec);
    return name + ": " + reason;
}

std::string run_kind(const RunState& st) {
    if (st.fourier) return "fourier";
    if (st.flipcharge) return st.performmem ? "CF+MEM" : "CF";
    return "MEM";
}

// Titles, file names and messages are the user's bytes, often Latin-1 from an
// older editor: what is not valid UTF-8 becomes U+FFFD, so the summary is
// always JSON that any parser takes, and the rest stays as it was.
std::string utf8_dump(const Json& j, int indent) {
    return j.dump(indent, ' ', false, Json::error_handler_t::replace);
}

// Stand for the row tables in the indented text; their rows follow one to a
// line, so that a run of thousands of cycles stays a readable file.
constexpr const char* kRowsMark = "\"@cycle rows@\"";
constexpr const char* kFlipRowsMark = "\"@flip rows@\"";
constexpr const char* kPeakRowsMark = "\"@peak rows@\"";

// The mark as the JSON string value that dumps to it.
std::string mark_value(const char* mark) {
    return std::string(mark + 1, std::char_traits<char>::length(mark) - 2);
}

std::string table_rows(const std::vector<Json>& rows, const std::string& indent) {
    if (rows.empty()) return "[]";
    std::string text = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) text += (i ? ",\n" : "\n") + indent + "  " + utf8_dump(rows[i], -1);
    return text + "\n" + indent + "]";
}

void put_rows(std::string& text, const char* mark, const std::vector<Json>& rows) {
    const std::size_t at = text.find(mark);
    if (at == std::string::npos) return;
    const std::size_t line = text.rfind('\n', at) + 1;
    const std::string indent(text.find_first_not_of(' ', line) - line, ' ');
    text.replace(at, std::char_traits<char>::length(mark), table_rows(rows, indent));
}

std::vector<Json> cycle_rows(const std::vector<CycleRecord>& c) {
    std::vector<Json> rows;
    for (const CycleRecord& r : c) rows.push_back(Json::array({r.cycle, r.lambda, r.r, r.constraint}));
    return rows;
}

std::vector<Json> flip_rows(const std::vector<FlipRecord>& c) {
    std::vector<Json> rows;
    for (const FlipRecord& r : c) rows.push_back(Json::array({r.cycle, r.attempt, r.r, r.delta, r.charge}));
    return rows;
}

std::vector<Json> peak_rows(const std::optional<std::vector<PeakRecord>>& peaks) {
    std::vector<Json> rows;
    if (peaks)
        for (const PeakRecord& p : *peaks)
            rows.push_back(Json{{"label", p.label},
                                {"element", p.element.empty() ? Json(nullptr) : Json(p.element)},
                                {"frac", p.frac},
                                {"height", p.height},
                                {"electrons", p.electrons},
                                {"copies", p.copies},
                                {"site_symmetry_order", p.site_symmetry_order}});
    return rows;
}

const char* algorithm_name(const RunState& st) {
    switch (st.algorithm) {
        case 2:
            return "MEMSys";
        case 3:
            return "DUAL";
        default:
            return "S-S";
    }
}

Json mem_part(const RunState& st) {
    const auto& c = st.summary.cycles;
    const Json rows = mark_value(kRowsMark);
    return Json{{"algorithm", algorithm_name(st)},
                {"cycles", c.empty() ? 0 : c.back().cycle},
                {"end", st.summary.iteration_end},
                {"lambda", c.empty() ? st.lambda : c.back().lambda},
                {"R", st.r},
                {"Rw", st.rw},
                {"constraint", st.fgcon},
                {"aim", st.aim},
                {"entropy", st.s},
                {"table", {{"columns", {"cycle", "lambda", "R", "constraint"}}, {"rows", rows}}}};
}

// The attempts, the threshold and the cycles of the last attempt, the final
// R and, when the symmetry location ran, the origin shift it applied; the
// table holds every cycle of every attempt, numbered through the run.  Null
// when the run stopped before charge flipping began.
Json chargeflip_part(const RunState& st) {
    const FlipSummary& f = st.summary.flip;
    if (!f.ran) return nullptr;
    const Json rows = mark_value(kFlipRowsMark);
    Json part{{"attempts", f.attempts},
              {"delta", f.delta},
              {"cycles", f.last_cycles},
              {"R", f.r},
              {"converged", nullptr},
              {"origin_shift", nullptr},
              {"table", {{"columns", {"cycle", "attempt", "R", "delta", "charge"}}, {"rows", rows}}}};
    if (f.judged) part["converged"] = f.converged;
    if (!f.origin_shift.empty()) part["origin_shift"] = f.origin_shift;
    return part;
}

}  // namespace

std::string summary_json(const RunState& st, const RunEnd& end) {
    Json j;
    j["program"] = "quilmo";
    j["version"] = version();
    j["input_file"] = trim(st.inputfile);
    j["title"] = trim(st.title);
    j["run_kind"] = run_kind(st);
    j["started"] =
        st.year + "-" + st.month + "-" + st.day + "T" + st.hour + ":" + st.minutes + ":" + st.seconds;
    if (end.stopped)
        j["end"] = "stopped";
    else
        j["end"] = st.summary.iteration_end.empty() ? "normal" : st.summary.iteration_end;
    j["exit_status"] = end.stopped ? 1 : 0;
    if (end.stopped) j["message"] = end.message;
    // The grid, the cell and the operators are known once the input has
    // been read to its end.
    if (st.sf.allocated()) {
        Json grid = Json::array(), cell = Json::array();
        for (int i = 1; i <= st.sdim; ++i) grid.push_back(st.nvox(i));
        for (int i = 1; i <= st.ncellpar; ++i) cell.push_back(st.cell(i));
        j["dimension"] = st.sdim;
        j["real_dimension"] = st.rdim;
        j["grid"] = grid;
        j["cell"] = cell;
        j["cell_volume"] = st.cell(st.cellcon);
        j["operators"] = st.nsym;
        j["centering_vectors"] = st.ncenter;
        j["reflections"] = {{"F", st.totalf()},        {"G", st.totalg()},
                            {"G_groups", st.ggroups},  {"prior", st.totalprif()},
                            {"extra", st.totalextra()}, {"F_expanded", st.mtotalf()},
                            {"G_expanded", st.mtotalg()}};
    }
    if (st.performmem && !st.summary.iteration_end.empty()) j["mem"] = mem_part(st);
    if (st.flipcharge) j["charge_flipping"] = chargeflip_part(st);
    if (st.summary.peaks) j["peaks"] = mark_value(kPeakRowsMark);
    Json files = Json::array();
    for (const std::string& f : end.run_files) files.push_back(f);
    for (const std::string& f : st.summary.density_files) files.push_back(f);
    for (const std::string& f : st.summary.peak_files) files.push_back(f);
    j["files_written"] = files;
    j["wall_time_s"] = end.wall_seconds;
    std::string text = utf8_dump(j, 2);
    put_rows(text, kRowsMark, cycle_rows(st.summary.cycles));
    put_rows(text, kFlipRowsMark, flip_rows(st.summary.flip.cycles));
    put_rows(text, kPeakRowsMark, peak_rows(st.summary.peaks));
    return text;
}

void summarized_run(RunState& st) {
    const auto start = std::chrono::steady_clock::now();
    ConsoleTail tail(st.con->rdbuf());
    std::ostream con(&tail);
    std::ostream* const console = st.con;
    st.con = &con;

    // Run files are looked at before and after: those created or changed
    // by this run are the ones it wrote.
    const std::map<std::string, Seen> before = run_files_before(st);
    auto finish = [&](bool stopped, const std::string& message) {
        st.con = console;
        RunEnd end;
        end.stopped = stopped;
        end.message = message;
        end.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (const std::string& name : run_file_names(st)) {
            const Seen now = look(name);
            const auto it = before.find(name);
            const Seen then = it == before.end() ? Seen{} : it->second;
            if (now.exists && (!then.exists || now.size != then.size || now.time != then.time))
                end.run_files.push_back(name);
        }
        return write_file(st, end);
    };
    try {
        mainsequence(st);
    } catch (const RunStop& stop) {
        finish(true, stop_text(stop, tail));
        throw;
    } catch (...) {
        finish(true, unexpected_failure());
        throw;
    }
    // A run that went well must not end as if it had when its summary
    // could not be written; after a stop, the stop's own message stands.
    const std::string failed = finish(false, "");
    if (!failed.empty()) throw RunStop("Error! Cannot write the file " + failed);
}

}  // namespace quilmo
