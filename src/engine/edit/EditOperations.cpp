#include "engine/edit/EditOperations.h"

#include "engine/edit/PictureEx.h"
#include "engine/picture/TextException.h"

#include <charconv>

namespace {

using Kind = EditArgumentKind;

// Sides of Resize and Canvas Size: the canvas dialog takes up to 10000 in
// its largest unit (inches); the total is checked when the picture is made.
constexpr int kLargestSide = 1000000;

EditArgument Value(const char* name, int minimum, int maximum)
{
    return {name, Kind::Integer, minimum, maximum, 0, true, {}};
}

using Values = const std::vector<int>&;

std::vector<EditOperation> BuildTable()
{
    return {
        {"invert",
         "  Inverting colors...",
         "Error inverting colors",
         {},
         [](CPictureEx& p, Values) { return p.Invert(), 0; }},
        {"swap-red-blue",
         "  Substituting Red and Blue...",
         "Error substituting red and blue",
         {},
         [](CPictureEx& p, Values) { return p.SwapRedBlue(), 0; }},
        {"brightness",
         "  Adjusting brightness...",
         "Error adjusting brightness",
         {Value("value", -100, 100)},
         [](CPictureEx& p, Values v) { return p.AdjustBrightness(v[0]); }},
        {"contrast",
         "  Adjusting contrast...",
         "Error adjusting contrast",
         {Value("value", -100, 100)},
         [](CPictureEx& p, Values v) { return p.AdjustContrast(v[0]); }},
        {"gamma",
         "  Adjusting gamma...",
         "Can't adjust gamma",
         {Value("value", -100, 100)},
         [](CPictureEx& p, Values v) { return p.AdjustGamma((v[0] + 100) * 0.01); }},
        {"gray",
         "  Converting image to grayscale...",
         "Error converting colors to gray shades",
         {},
         [](CPictureEx& p, Values) { return p.ToGrayShades(), 0; }},
        {"balance",
         "  Adjusting color balance...",
         "Error adjusting color balance",
         {Value("red", -100, 100), Value("green", -100, 100), Value("blue", -100, 100)},
         [](CPictureEx& p, Values v) { return p.AdjustColorBalance(v[0], v[1], v[2]), 0; }},
        {"flip-horizontal",
         "  Flipping image",
         "Error flipping horizontally",
         {},
         [](CPictureEx& p, Values) { return p.FlipLines(), 0; }},
        {"flip-vertical",
         "  Flipping image...",
         "Error flipping vertically",
         {},
         [](CPictureEx& p, Values) { return p.FlipColumns(), 0; }},
        {"transpose",
         "  Transpose...",
         "Can't transpose image",
         {},
         [](CPictureEx& p, Values) { return p.Transpose(); }},
        {"rotate",
         "  Rotating image...",
         "Error rotating image",
         {Value("angle", 1, 359),
          {"quality", Kind::Choice, 0, 2, RotateHigh, false, {"low", "medium", "high"}}},
         [](CPictureEx& p, Values v) { return p.Rotate(v[0], v[1]); }},
        {"shear",
         "  Shearing image...",
         "Error shearing image",
         {Value("angle", 1, 89),
          {"corner", Kind::Choice, 0, 1, ShearUpLeft, false, {"up-left", "down-left"}},
          {"anti-aliasing", Kind::Choice, 0, 1, 1, false, {"no-aa", "aa"}}},
         [](CPictureEx& p, Values v) { return p.Shear(v[0], v[1], v[2] != 0); }},
        {"canvas",
         "  Adjusting canvas size...",
         "Error resizing canvas",
         {Value("width", 1, kLargestSide),
          Value("height", 1, kLargestSide),
          {"anchor", Kind::Integer, 0, 8, AnchorCenter, false, {}}},
         [](CPictureEx& p, Values v) { return p.CanvasSize(v[0], v[1], v[2]); }},
        {"resize",
         "  Resizing image...",
         "Error resizing image",
         {Value("width", 1, kLargestSide), Value("height", 1, kLargestSide)},
         [](CPictureEx& p, Values v) { return p.Resize(v[0], v[1]); }},
    };
}

[[noreturn]] void Refuse(const EditOperation& operation, const std::string& why)
{
    throw CTextException(ErrUnsupported, "--" + std::string(operation.name) + ": " + why);
}

} // namespace

const std::vector<EditOperation>& EditOperations()
{
    static const std::vector<EditOperation> table = BuildTable();
    return table;
}

const EditOperation* FindEditOperation(std::string_view name)
{
    for (const EditOperation& operation : EditOperations())
        if (name == operation.name)
            return &operation;
    return nullptr;
}

std::vector<int> ParseEditArguments(const EditOperation& operation, const std::string& text)
{
    const std::vector<EditArgument>& args = operation.arguments;
    std::vector<int> values(args.size());
    std::vector<bool> given(args.size(), false);
    size_t nextNumber = 0;

    size_t pos = 0;
    while (!args.empty() && pos <= text.size()) {
        // A token runs to the next ','; an 'x' also ends a number.
        size_t end = text.find(',', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string token = text.substr(pos, end - pos);
        size_t nextPos = end + 1;
        if (!token.empty() && (token[0] == '-' || (token[0] >= '0' && token[0] <= '9'))) {
            size_t cross = token.find('x');
            if (cross != std::string::npos) {
                nextPos = pos + cross + 1;
                token.resize(cross);
            }
            while (nextNumber < args.size() && args[nextNumber].kind != Kind::Integer)
                ++nextNumber;
            if (nextNumber == args.size())
                Refuse(operation, "too many values in \"" + text + "\".");
            const EditArgument& arg = args[nextNumber];
            int value = 0;
            auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
            if (ec != std::errc() || ptr != token.data() + token.size())
                Refuse(operation, "\"" + token + "\" is not a whole number.");
            if (value < arg.minimum || value > arg.maximum)
                Refuse(operation, std::string(arg.name) + " must be " + std::to_string(arg.minimum) + " to " +
                                      std::to_string(arg.maximum) + ".");
            values[nextNumber] = value;
            given[nextNumber] = true;
            ++nextNumber;
        } else {
            bool matched = false;
            for (size_t i = 0; i < args.size() && !matched; ++i) {
                if (args[i].kind != Kind::Choice || given[i])
                    continue;
                for (size_t c = 0; c < args[i].choices.size(); ++c) {
                    if (token == args[i].choices[c]) {
                        values[i] = int(c);
                        given[i] = matched = true;
                        break;
                    }
                }
            }
            if (!matched)
                Refuse(operation, "unexpected \"" + token + "\" in \"" + text + "\".");
        }
        pos = nextPos;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        if (given[i])
            continue;
        if (args[i].required)
            Refuse(operation, std::string(args[i].name) + " is missing.");
        values[i] = args[i].defaultValue;
    }
    return values;
}

int RunEditOperation(CPictureEx& picture, const EditOperation& operation, const std::vector<int>& values)
{
    if (values.size() != operation.arguments.size())
        Refuse(operation, "wrong number of values.");
    const int result = operation.apply(picture, values);
    if (result == -1)
        Refuse(operation, "value out of range.");
    if (result == -2)
        throw CTextException(ErrUnsupported, kTextTooManyColors);
    return result;
}
