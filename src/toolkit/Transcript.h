// The transcript of a session: one line per thing the program showed, in the
// published format of scripted sessions (texts double-quoted with the script
// escapes). The toolkit writes every box, dialog and print job here; the sink
// decides where the lines go (a file, standard output, a list in tests).
#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace mx::tk {

class Transcript {
public:
    using Sink = std::function<void(const std::string& line)>;  // one line, no line break

    explicit Transcript(Sink sink);
    // "-" writes to standard output. nullptr (and *error set) when the file
    // cannot be created.
    static std::unique_ptr<Transcript> toFile(const QString& path, QString* error);

    static std::string q(const QString& text);  // quoted and escaped

    void line(const std::string& text);

    void window(const QString& title);
    void splash(const QString& file);
    void open(const QString& title);
    void close(const QString& title);
    void info(const QString& text);
    void alert(const QString& text);
    void stop(const QString& text);
    void timed(const QString& title, const QString& text);
    void wait(const QString& title, const QString& text);
    void yesno(const QString& text, bool yes);
    void prompt(const QString& title, const QString& prompt, std::optional<QString> value);  // nullopt: cancel
    void choice(const QString& title, int n);
    void colour(std::optional<QColor> colour);  // nullopt: cancel
    void invalid(const QString& name, const QString& value);
    // `file` empty: the job went to the on-screen preview or a printer, not a file.
    void print(const QString& name, bool preview, const QString& file, int pages);
    void clipboard(const QString& text);
    void run(const QString& program, std::optional<int> status);  // nullopt: could not be started
    void end(int status);

private:
    Sink sink_;
};

}  // namespace mx::tk
