#include "veltrane/autocal/photo_round.h"

#include "veltrane/autocal/photo_turn.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/value_text.h"

namespace veltrane {

Outcome readPhotoPattern(cv::Mat& photo, const PhotoGuess& given, PatternCode& shown, std::vector<std::string>& notes)
{
    if (!findPatternCode(photo, shown)) {
        if (!given.guess || given.display.area() == 0)
            return Outcome::failed("no pattern code can be read in the photo: give the guess its pattern was drawn "
                                   "for (--param=LINE --size=WxH)");
        notes.push_back("no pattern code can be read in the photo: its pattern is taken to be the one of "
                        "the guess given");
        shown = PatternCode{*given.guess, given.display, 1};
        return Outcome::done();
    }
    const std::string drawnFor = parameterLine(shown.guess);
    if (given.guess && parameterLine(*given.guess) != drawnFor)
        return Outcome::failed("the photo's pattern was drawn for '" + drawnFor + "', not for the guess given ('" +
                               parameterLine(*given.guess) + "'): leave the guess out, the photo has it");
    if (given.display.area() != 0 && given.display != shown.display)
        return Outcome::failed("the photo's pattern was drawn for a display of " + sizeText(shown.display) +
                               ", not " + sizeText(given.display));
    if (given.guess) // the record's view phase and panel order
        shown.guess = *given.guess;
    cv::Mat upright;
    if (turnPhotoUpright(photo, shown, upright) == PhotoTurn::Unknown)
        return Outcome::failed("the photo's code is read, but not which way up the photo was taken: photograph "
                               "the whole display, in focus");
    photo = upright;
    return Outcome::done();
}

Outcome roundFromPhoto(const cv::Mat& photo, const PhotoGuess& given, PhotoRound& round)
{
    round.upright = photo;
    if (const Outcome read = readPhotoPattern(round.upright, given, round.shown, round.notes); !read)
        return read;
    HeldPhoto held(round.upright);
    RoundsOptions rounds; // one round, at once: no progress to show
    rounds.rounds = 1;
    rounds.firstRound = round.shown.round;
    std::string message;
    if (!calibrateFromPhotos(round.shown.guess, round.shown.display, held, rounds, round.result, message))
        return Outcome::failed(message);
    return Outcome::done();
}

} // namespace veltrane
