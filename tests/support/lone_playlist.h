#pragma once
// A playlist window made alone, as tests and benchmarks make it: handed, as the
// player hands it its own, a transport made before it, here over the window's rows
// and showing nothing (or what `View` records).
#include "playlist_window.h"
#include "transport.h"

#include <optional>

namespace fixture {

template <class View> struct HandedTransport {
    LinkedPlaylist handedRows;
    View view;
    Transport handedTransport{handedRows, view};
};

template <class View = SilentTransportView> class LonePlaylistOf : public HandedTransport<View>, public TForm2 {
public:
    explicit LonePlaylistOf(const QString& programDir, std::optional<QStringList> startUpList = std::nullopt)
        : TForm2(programDir, this->handedTransport, std::move(startUpList)) {
        this->handedRows.link = this;
    }
    Transport& transport() { return this->handedTransport; }
};

using LonePlaylist = LonePlaylistOf<>;

}  // namespace fixture
