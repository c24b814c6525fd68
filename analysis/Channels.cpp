// Channel letters of the analysis commands.
#include "analysis/Channels.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace nox::analysis {

char ChannelLetter(TChannel channel) {
    switch (channel) {
        case TChannel::Red: return 'r';
        case TChannel::Green: return 'g';
        case TChannel::Blue: return 'b';
        case TChannel::Alpha: return 'a';
    }
    return '?';
}

std::vector<TChannel> ParseChannels(std::string_view letters) {
    if (letters.empty()) throw std::invalid_argument("no channel given (one or more of r, g, b, a)");
    std::vector<TChannel> channels;
    for (const char letter : letters) {
        TChannel channel;
        switch (letter) {
            case 'r': channel = TChannel::Red; break;
            case 'g': channel = TChannel::Green; break;
            case 'b': channel = TChannel::Blue; break;
            case 'a': channel = TChannel::Alpha; break;
            default: throw std::invalid_argument(std::string("unknown channel \"") + letter + "\" (one or more of r, g, b, a)");
        }
        if (std::find(channels.begin(), channels.end(), channel) != channels.end())
            throw std::invalid_argument(std::string("channel \"") + letter + "\" given twice");
        channels.push_back(channel);
    }
    return channels;
}

}  // namespace nox::analysis
