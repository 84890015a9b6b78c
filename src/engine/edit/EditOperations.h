// The edit operations described once: their names, arguments with ranges
// and defaults, and the texts their commands show. velkor-cli parses its
// edit options from this table and the dialogs read their ranges from it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CPictureEx;

enum class EditArgumentKind {
    Integer, // a whole number in minimum..maximum
    Choice,  // one of the words in `choices`; the value is its position
};

struct EditArgument {
    const char* name;
    EditArgumentKind kind;
    int minimum;
    int maximum;
    int defaultValue;
    bool required;
    std::vector<const char*> choices;
};

struct EditOperation {
    const char* name;         // option name of velkor-cli, without dashes
    const char* progressText; // status text while it runs
    const char* errorText;    // message when it fails
    // Numbers come first and in order, joined by ',' (or 'x' between a width
    // and a height); choice words may follow in any order.
    std::vector<EditArgument> arguments;
    // The picture's operation on values in the order of `arguments`; returns
    // what it returned (-1 a refused value, -2 too many colours, else 1 when
    // the size changed). Called directly by the window's edit commands.
    int (*apply)(CPictureEx& picture, const std::vector<int>& values);
};

const std::vector<EditOperation>& EditOperations();
// The operation of that name, or null.
const EditOperation* FindEditOperation(std::string_view name);

// Parses an option argument ("45,low", "640x480,3", "10,-5,0") into one
// value per argument, defaults filled in. Throws CTextException
// (ErrUnsupported) naming the operation when the text does not fit.
std::vector<int> ParseEditArguments(const EditOperation& operation, const std::string& text);

// Runs the operation on the picture with parsed values and returns what the
// picture's operation returned (for most: 1 when the size changed). Throws
// CTextException for a refused value or a picture with too many colours.
int RunEditOperation(CPictureEx& picture, const EditOperation& operation, const std::vector<int>& values);

// Message of Contrast on a picture with too many colours.
inline constexpr const char* kTextTooManyColors = "Error.\nThis image contains too many colors.  ";
