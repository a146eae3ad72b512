#!/usr/bin/env bash
# The window at its design size and after resizes, photographed for a person
# to look at, and measured: the client area is 592 x 450 pixels (8880 x 6750
# twips) at first, and on a resize only Sentence, OptionList and Result
# follow the right edge and only Result the bottom, each 4 pixels (60 twips)
# from it. The edges are found in the screenshots themselves.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program

client_width() { window_field "$WIN" Width; }
client_height() { echo $(($(window_field "$WIN" Height) - MENU_H)); }

# A wrong start size is reported at the end, after the layout has been measured.
problems=()
[ "$(client_width)x$(client_height)" = "${DESIGN_W}x${DESIGN_H}" ] ||
    problems+=("the client area starts at $(client_width)x$(client_height), not ${DESIGN_W}x${DESIGN_H} (menu bar $MENU_H px)")
screenshot design-size
import -frame -window "$WIN" "$SHOTS/$SCENARIO-design-size-framed.png" 2>/dev/null || true

# The pixels of one row or column of a screenshot as "position #RRGGBB" lines.
row_pixels() { # row_pixels IMAGE Y
    convert "$1" -crop "$(identify -format %w "$1")x1+0+$2" +repage -depth 8 txt:- |
        awk -F'[ ,:]+' 'NR > 1 { match($0, /#[0-9A-Fa-f]+/); print $1, substr($0, RSTART, RLENGTH) }'
}
column_pixels() { # column_pixels IMAGE X FROM TO
    convert "$1" -crop "1x$(($4 - $3 + 1))+$2+$3" +repage -depth 8 txt:- |
        awk -F'[ ,:]+' -v from="$3" 'NR > 1 { match($0, /#[0-9A-Fa-f]+/); print $2 + from, substr($0, RSTART, RLENGTH) }'
}
# The last position whose colour differs from the colour at the end of the line.
last_differing() {
    awk '{ pos[NR] = $1; colour[NR] = $2 } END { for (i = NR; i > 0; --i) if (colour[i] != colour[NR]) { print pos[i]; exit } }'
}

# last_differing_x IMAGE Y: the rightmost x on client row Y that is not background.
last_differing_x() { row_pixels "$1" $(($2 + MENU_H)) | last_differing; }
# last_differing_y IMAGE X FROM TO: the same downwards, between client rows FROM and TO.
last_differing_y() { echo $(($(column_pixels "$1" "$2" $(($3 + MENU_H)) $(($4 + MENU_H)) | last_differing) - MENU_H)); }

# measure IMAGE: the right edges of Sentence, OptionList and Result, the
# bottom of Result, and the right edge of the row of Delimiter.
measure() {
    local image=$1
    echo "sentence=$(last_differing_x "$image" 40)" \
        "option=$(last_differing_x "$image" 128)" \
        "result=$(last_differing_x "$image" 300)" \
        "result_bottom=$(last_differing_y "$image" 200 0 $(($(identify -format %h "$image") - MENU_H - 1)))" \
        "sentence_bottom=$(last_differing_y "$image" 300 0 86)"
}

# expect_layout W H: the edges as the layout rule puts them for a client area of W x H.
expect_layout() {
    local w=$1 h=$2 image=$3
    local expected="sentence=$((w - 5)) option=$((w - 5)) result=$((w - 5)) result_bottom=$((h - 5))"
    local got
    got=$(measure "$image")
    # Sentence keeps its height; its bottom edge sits above the check boxes.
    [ "${got% sentence_bottom=*}" = "$expected" ] ||
        fail "layout at ${w}x${h}: expected $expected, measured $got"
    say "layout at ${w}x${h}: $got"
}

# The rule at the size the window has now (the design size, unless reported above).
expect_layout "$(client_width)" "$(client_height)" "$SHOTS/$SCENARIO-design-size.png"
design_sentence_bottom=$(last_differing_y "$SHOTS/$SCENARIO-design-size.png" 300 0 86)
[ "$design_sentence_bottom" = 84 ] || fail "Sentence ends at row $design_sentence_bottom, not 84"

# Wider by 100 pixels (1500 twips) and taller by 120.
resize_client() {
    xdotool windowsize --sync "$WIN" "$1" $(($2 + MENU_H)) 2>/dev/null ||
        xdotool windowsize "$WIN" "$1" $(($2 + MENU_H))
    wait_for 10 sh -c "[ \"\$(xwininfo -id $WIN | awk '/Width:/ { print \$2 }')\" = $1 ]" ||
        fail "the window did not take the width $1"
    sleep 0.5
}
resize_client $((DESIGN_W + 100)) $((DESIGN_H + 120))
screenshot resized-larger
expect_layout $((DESIGN_W + 100)) $((DESIGN_H + 120)) "$SHOTS/$SCENARIO-resized-larger.png"
[ "$(last_differing_y "$SHOTS/$SCENARIO-resized-larger.png" 300 0 86)" = "$design_sentence_bottom" ] ||
    fail "Sentence's height changed with the window's"

# Smaller than the design: the rule holds as long as the panes have room.
resize_client $((DESIGN_W - 150)) $((DESIGN_H - 100))
screenshot resized-smaller
expect_layout $((DESIGN_W - 150)) $((DESIGN_H - 100)) "$SHOTS/$SCENARIO-resized-smaller.png"

# Far too small for the rule, then back: the program lives on and lays out again.
resize_client 60 60
screenshot resized-tiny
resize_client "$DESIGN_W" "$DESIGN_H"
screenshot back-to-design
expect_layout "$DESIGN_W" "$DESIGN_H" "$SHOTS/$SCENARIO-back-to-design.png"
program_running || fail "the program ended while resized"

# The About box, for a person to look at.
key alt+h
key a
BOX=$(wait_message_box 20) || fail "no About box"
xdotool mousemove 1279 1023
grab_settled "$BOX" "$SHOTS/$SCENARIO-about.png"
answer_box Return

wmctrl -i -c "$WIN"
wait_program_end 30 || fail "the program did not end after the close request"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
[ ${#problems[@]} -eq 0 ] || fail "${problems[*]}"
say "passed"
