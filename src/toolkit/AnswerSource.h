// What a scripted run supplies in place of the person at the keyboard: the
// answers to the boxes that ask (yes/no, the prompt, the choice box, the
// colour dialog), the end of the run when an action fails, and the news that
// a modal dialog has opened so the next command acts on it.
//
// Ui holds one while a script plays (Ui::setAnswerSource) and asks it instead
// of showing a box; ScriptDriver is the implementation. Without one, a person
// answers in the real boxes. Kept apart from the driver so that Ui and Dialog
// know only this, never the driver above them.
#pragma once

#include <QColor>
#include <QString>
#include <initializer_list>
#include <optional>
#include <string>

namespace mx::tk {

class AnswerSource {
public:
    // How a run ends: 0 ran to the end; 1 any other failure (an action threw);
    // 2 a command could not be carried out; 3 a box needed an answer and none
    // was queued.
    enum Status { Completed = 0, Failed = 1, NotCarriedOut = 2, NoAnswer = 3 };

    struct Answer {
        enum Kind { Yes, No, Ok, Cancel, Text, Choice, Colour };
        Kind kind = Ok;
        std::string text;  // Text: as typed (UTF-8)
        int number = 0;    // Choice
        QColor colour;     // Colour
    };

    virtual ~AnswerSource() = default;

    // The next queued answer if it is of an accepted kind. Without one the
    // run ends (3; 2 for the wrong kind) and nullopt is returned; also
    // nullopt, quietly, while the run is ending. `box` names the box asking.
    virtual std::optional<Answer> takeAnswer(const QString& box, std::initializer_list<Answer::Kind> accepted) = 0;
    // Ends the run with `status` (the first failure counts).
    virtual void fail(int status, const QString& why) = 0;
    // The run is closing its windows: dialogs opened now close at once.
    virtual bool ending() const = 0;
    // A modal dialog has opened: the next command acts on it.
    virtual void modalEntered() = 0;

protected:
    AnswerSource() = default;
    AnswerSource(const AnswerSource&) = default;
    AnswerSource& operator=(const AnswerSource&) = default;
};

}  // namespace mx::tk
