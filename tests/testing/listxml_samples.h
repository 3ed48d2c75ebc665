// Small -listxml outputs of both dialects, for the conversion tests and for the MAME runs.
#pragma once

namespace tabulon::testing {

// MAME before 0.162: game elements, a video element, BIOS sets not runnable, and the driver's
// own color and sound. A game, a BIOS holder and a non-working clone of the game.
inline constexpr char kOldListXml[] = R"xml(<?xml version="1.0"?>
<mame build="0.78 (Dec 24 2003)">
	<game name="pacman" sourcefile="pacman.c">
		<description>Pac-Man (Midway)</description><year>1980</year>
		<input players="4" buttons="4" coins="2"/>
		<driver status="good" color="good" sound="good" palettesize="16"/>
	</game>
	<game runnable="no" name="neogeo">
		<description>Neo-Geo</description><year>1990</year><manufacturer>SNK</manufacturer>
	</game>
	<game name="mspacman" cloneof="pacman" romof="pacman">
		<description>Ms. Pac-Man</description><year>1981</year><manufacturer>Midway</manufacturer>
		<video screen="raster" orientation="vertical" width="224" height="288" aspectx="3" aspecty="4" refresh="60.606060"/>
		<input players="2" control="joy4way" coins="2"/>
		<driver status="preliminary" color="imperfect" sound="imperfect" palettesize="16"/>
	</game>
</mame>
)xml";

// Today's dialect: a BIOS holder, a device that is no game, and four games, among them a
// clone. The description of pocketgaldx has 31 ASCII bytes before a three-byte en
// dash, so a cut at 33 bytes would split it.
inline constexpr char kNewListXml[] = R"xml(<?xml version="1.0"?>
<mame build="0.251 (unknown)" debug="no" mameconfig="10">
	<machine name="neogeo" sourcefile="neogeo/neogeo.cpp" isbios="yes">
		<description>Neo-Geo MV-6F</description><year>1990</year><manufacturer>SNK</manufacturer>
	</machine>
	<machine name="z80" sourcefile="emu/cpu/z80/z80.cpp" isdevice="yes" runnable="no">
		<description>Zilog Z80</description>
	</machine>
	<machine name="pacman" sourcefile="pacman/pacman.cpp" cloneof="puckman" romof="puckman">
		<description>Pac-Man (Midway)</description>
		<year>1980</year>
		<manufacturer>Namco (Midway license)</manufacturer>
		<display tag="screen" type="raster" rotate="90" width="288" height="224" refresh="60.606061" />
		<display tag="lcd" type="lcd" rotate="0" width="100" height="50" refresh="50" />
		<sound channels="1"/>
		<input players="2" coins="2"><control type="joy" player="1" ways="4"/></input>
		<driver status="good" emulation="good" cocktail="preliminary" savestate="supported"/>
	</machine>
	<machine name="astdelux" sourcefile="atari/asteroid.cpp">
		<description>Asteroids Deluxe &quot;rev 3&quot; &amp; more</description>
		<display tag="screen" type="vector" rotate="0" refresh="61.523438" />
		<input players="2" coins="2"><control type="only_buttons" buttons="5"/></input>
		<driver status="imperfect" emulation="good" savestate="unsupported"/>
		<feature type="palette" status="imperfect"/>
		<feature type="sound" overall="imperfect"/>
	</machine>
	<machine name="pocketgaldx" sourcefile="pocketgaldeluxe.cpp" romof="decocass">
		<description>Pocket Gal Deluxe (Euro v3.00) – Ōmiya edition</description>
		<display tag="screen" type="raster" rotate="270" width="320" height="240" refresh="58" />
		<input players="1" coins="1">
			<control type="joy" player="1" ways="vertical2"/>
			<control type="joy" player="2" buttons="3" ways="8"/>
		</input>
		<driver status="preliminary" emulation="preliminary" savestate="unsupported"/>
		<feature type="palette" status="unemulated"/>
		<feature type="sound" status="imperfect" overall="unemulated"/>
	</machine>
	<machine name="dummy" runnable="yes">
		<description>Two
lines&#9;and&#13;tab</description>
		<year></year>
		<input players="0"/>
	</machine>
</mame>
)xml";

}  // namespace tabulon::testing
