#include "levelling.h"

#include "engine.h"

void applyLevelling(Levelling choice) {
    using E = rwn8::engine::Levelling;
    switch (choice) {
    case Levelling::None: rwn8::engine::setLevelling(E::Off); return;
    case Levelling::Tracks: rwn8::engine::setLevelling(E::Tracks); return;
    case Levelling::Albums: rwn8::engine::setLevelling(E::Albums); return;
    }
    rwn8::engine::setLevelling(E::Off);  // a value no setting has
}
