// Transcript lines (format in the header and in the scripted-session contract).
#include "Transcript.h"

#include <cstdio>
#include <fstream>

#include "ScriptParser.h"
#include "TextCodec.h"

namespace mx::tk {

Transcript::Transcript(Sink sink) : sink_(std::move(sink)) {}

std::unique_ptr<Transcript> Transcript::toFile(const QString& path, QString* error) {
    if (path == QLatin1String("-")) {
        return std::make_unique<Transcript>([](const std::string& l) {
            std::fwrite(l.data(), 1, l.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        });
    }
    auto out = std::make_shared<std::ofstream>(path.toLocal8Bit().toStdString(), std::ios::trunc);
    if (!*out) {
        if (error) *error = QStringLiteral("Cannot write the transcript file %1").arg(path);
        return nullptr;
    }
    return std::make_unique<Transcript>([out](const std::string& l) {
        *out << l << '\n';
        out->flush();
    });
}

std::string Transcript::q(const QString& text) { return ScriptParser::quote(toUtf8(text)); }

void Transcript::line(const std::string& text) {
    if (sink_) sink_(text);
}

void Transcript::window(const QString& title) { line("window " + q(title)); }
void Transcript::splash(const QString& file) { line("splash " + q(file)); }
void Transcript::open(const QString& title) { line("open " + q(title)); }
void Transcript::close(const QString& title) { line("close " + q(title)); }
void Transcript::info(const QString& text) { line("info " + q(text)); }
void Transcript::alert(const QString& text) { line("alert " + q(text)); }
void Transcript::stop(const QString& text) { line("stop " + q(text)); }
void Transcript::timed(const QString& title, const QString& text) { line("timed " + q(title) + " " + q(text)); }
void Transcript::wait(const QString& title, const QString& text) { line("wait " + q(title) + " " + q(text)); }
void Transcript::yesno(const QString& text, bool yes) { line("yesno " + q(text) + (yes ? " yes" : " no")); }

void Transcript::prompt(const QString& title, const QString& prompt, std::optional<QString> value) {
    line("prompt " + q(title) + " " + q(prompt) + (value ? " ok " + q(*value) : std::string(" cancel")));
}

void Transcript::choice(const QString& title, int n) { line("choice " + q(title) + " " + std::to_string(n)); }

void Transcript::colour(std::optional<QColor> colour) {
    if (!colour) {
        line("colour cancel");
        return;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", colour->red(), colour->green(), colour->blue());
    line(std::string("colour ") + hex);
}

void Transcript::invalid(const QString& name, const QString& value) { line("invalid " + toUtf8(name) + " " + q(value)); }

void Transcript::print(const QString& name, bool preview, const QString& file, int pages) {
    line("print " + q(name) + (preview ? " preview " : " printer ") + (file.isEmpty() ? std::string("-") : toUtf8(file)) +
         " pages=" + std::to_string(pages));
}

void Transcript::clipboard(const QString& text) { line("clipboard " + q(text)); }

void Transcript::run(const QString& program, std::optional<int> status) {
    line("run " + q(program) + " " + (status ? std::to_string(*status) : std::string("missing")));
}

void Transcript::end(int status) { line("end " + std::to_string(status)); }

}  // namespace mx::tk
