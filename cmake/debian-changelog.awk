# SPDX-License-Identifier: MIT
# Writes the Debian package's changelog from CHANGELOG.md, so that the
# releases are told in one place: an entry for each section
# "## [x.y.z] - YYYY-MM-DD", newest first as there. A list item "- text"
# (continued on lines indented by two) becomes "  * text" (continued by
# four), a heading such as "### Added" a line "  Added:" above its items.
# Anything else (the preamble, an "Unreleased" section) is left out.
# Usage: awk -v maintainer='Name <address>' -f debian-changelog.awk CHANGELOG.md

# Debian dates the entry in RFC 2822 form, weekday included, and lintian
# checks the weekday: Zeller's congruence gives it without date(1).
function rfc2822(ymd, y, m, d, k, j, h) {
    split(ymd, part, "-")
    y = part[1] + 0; m = part[2] + 0; d = part[3] + 0
    if (m < 3) { m += 12; y -= 1 }
    k = y % 100; j = int(y / 100)
    h = (d + int(13 * (m + 1) / 5) + k + int(k / 4) + int(j / 4) + 5 * j) % 7
    return sprintf("%s, %02d %s %04d 00:00:00 +0000",
                   substr("SatSunMonTueWedThuFri", 3 * h + 1, 3), part[3] + 0,
                   substr("JanFebMarAprMayJunJulAugSepOctNovDec", 3 * (part[2] - 1) + 1, 3),
                   part[1])
}

function close_entry() {
    if (version == "")
        return
    if (!items)
        print "  * Release " version "."
    print ""
    print " -- " maintainer "  " rfc2822(date)
    version = ""
}

/^## / {
    close_entry()
    if (match($0, /^## \[[0-9][^]]*\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]/)) {
        version = substr($0, 5, index($0, "]") - 5)
        date = substr($0, RLENGTH - 9, 10)
        if (entries++)
            print ""
        print "flyover (" version ") unstable; urgency=medium"
        print ""
        items = 0
    }
    next
}
version == "" { next }
/^### / {
    if (items)
        print ""
    print "  " substr($0, 5) ":"
    next
}
/^- / { print "  * " substr($0, 3); items++; next }
/^  [^ ]/ { print "    " substr($0, 3); next }
END { close_entry() }
