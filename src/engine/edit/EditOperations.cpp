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

std::vector<EditOperation> BuildTable()
{
    return {
        {"invert", "  Inverting colors...", "Error inverting colors", {}},
        {"swap-red-blue", "  Substituting Red and Blue...", "Error substituting red and blue", {}},
        {"brightness",
         "  Adjusting brightness...",
         "Error adjusting brightness",
         {Value("value", -100, 100)}},
        {"contrast", "  Adjusting contrast...", "Error adjusting contrast", {Value("value", -100, 100)}},
        {"gamma", "  Adjusting gamma...", "Can't adjust gamma", {Value("value", -100, 100)}},
        {"gray", "  Converting image to grayscale...", "Error converting colors to gray shades", {}},
        {"balance",
         "  Adjusting color balance...",
         "Error adjusting color balance",
         {Value("red", -100, 100), Value("green", -100, 100), Value("blue", -100, 100)}},
        {"flip-horizontal", "  Flipping image", "Error flipping horizontally", {}},
        {"flip-vertical", "  Flipping image...", "Error flipping vertically", {}},
        {"transpose", "  Transpose...", "Can't transpose image", {}},
        {"rotate",
         "  Rotating image...",
         "Error rotating image",
         {Value("angle", 1, 359),
          {"quality", Kind::Choice, 0, 2, RotateHigh, false, {"low", "medium", "high"}}}},
        {"shear",
         "  Shearing image...",
         "Error shearing image",
         {Value("angle", 1, 89),
          {"corner", Kind::Choice, 0, 1, ShearUpLeft, false, {"up-left", "down-left"}},
          {"anti-aliasing", Kind::Choice, 0, 1, 1, false, {"no-aa", "aa"}}}},
        {"canvas",
         "  Adjusting canvas size...",
         "Error resizing canvas",
         {Value("width", 1, kLargestSide),
          Value("height", 1, kLargestSide),
          {"anchor", Kind::Integer, 0, 8, AnchorCenter, false, {}}}},
        {"resize",
         "  Resizing image...",
         "Error resizing image",
         {Value("width", 1, kLargestSide), Value("height", 1, kLargestSide)}},
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

int RunEditOperation(CPictureEx& picture, const EditOperation& operation, const std::vector<int>& v)
{
    const std::string name = operation.name;
    if (v.size() != operation.arguments.size())
        Refuse(operation, "wrong number of values.");
    auto checked = [&](int result) {
        if (result == -1)
            Refuse(operation, "value out of range.");
        return result;
    };
    if (name == "invert")
        return picture.Invert(), 0;
    if (name == "swap-red-blue")
        return picture.SwapRedBlue(), 0;
    if (name == "brightness")
        return checked(picture.AdjustBrightness(v[0]));
    if (name == "contrast") {
        int result = checked(picture.AdjustContrast(v[0]));
        if (result == -2)
            throw CTextException(ErrUnsupported, kTextTooManyColors);
        return result;
    }
    if (name == "gamma")
        return checked(picture.AdjustGamma((v[0] + 100) * 0.01));
    if (name == "gray")
        return picture.ToGrayShades(), 0;
    if (name == "balance")
        return picture.AdjustColorBalance(v[0], v[1], v[2]), 0;
    if (name == "flip-horizontal")
        return picture.FlipLines(), 0;
    if (name == "flip-vertical")
        return picture.FlipColumns(), 0;
    if (name == "transpose")
        return picture.Transpose();
    if (name == "rotate")
        return checked(picture.Rotate(v[0], v[1]));
    if (name == "shear")
        return picture.Shear(v[0], v[1], v[2] != 0);
    if (name == "canvas")
        return picture.CanvasSize(v[0], v[1], v[2]);
    if (name == "resize")
        return picture.Resize(v[0], v[1]);
    Refuse(operation, "unknown operation.");
}
