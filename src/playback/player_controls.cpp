#include "player_controls.h"

#include "mp3.h"

std::span<const PlayerControl> playerControls() {
    using P = TForm_player;
    static const PlayerControl table[] = {
        {&P::ZMButton5, "player_prev", {144, 192, 41, 17}, "Предидущий трек", "Предидущий трек", &P::ZMButton5Click},
        {&P::ZMButton2, "player_pause", {200, 192, 41, 17}, "Пауза", "Пауза", &P::ZMButton2Click},
        {&P::ZMButton1, "player_play", {248, 192, 41, 17}, "Играть", "Воспроизвести", &P::ZMButton1Click},
        {&P::ZMButton3, "player_stop", {296, 192, 41, 17}, "Стоп", "Стоп", &P::ZMButton3Click},
        {&P::ZMButton4, "player_next", {352, 192, 41, 17}, "Следующий трек", "Следующий трек", &P::ZMButton4Click},
        {&P::ZMButton6, "player_playlist", {8, 216, 41, 17}, "Плейлист", "Плейлист", &P::ZMButton6Click},
        {&P::ZMButton10, "player_menu", {104, 8, 17, 15}, "Быстрое меню", "Быстрое меню", &P::ZMButton10Click},
        {&P::ZMButton7, "player_close", {376, 8, 17, 15}, "Закрыть", "Выход", &P::ZMButton7Click},
        {&P::ZMButton8, "player_tray", {376, 32, 17, 15}, "Свернуть в трей", "Свернуть в трей", &P::ZMButton8Click},
        {&P::ZMButton9,
         "player_ontop",
         {376, 56, 17, 15},
         "Поверх всех окон [выкл]",
         "Поверх всех окон",
         &P::ZMButton9Click},
        {&P::ZMPushButton1, "player_mute", {56, 8, 17, 15}, "Выключить звук", "Отключить звук", &P::ZMPushButton1Click},
        {&P::ZMPushButton2,
         "player_repeat",
         {80, 8, 17, 15},
         "Повтор [выкл]",
         "Повторять трек",
         &P::ZMPushButton2Click},
    };
    return table;
}
