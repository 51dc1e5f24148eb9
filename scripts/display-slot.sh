# A test that CTest runs on a display slot gets that slot's own Xvfb and Wine
# root, so that keyboard focus, the mouse, window positions and the settings
# file of one test never reach a test running beside it. scripts/test.sh gives
# CTest the slots (a resource spec file; the displays are VELMO_DISPLAY_<depth>_<id>)
# and a test asks for one of its depth with RESOURCE_GROUPS display<depth>:1;
# CTest then names the slot in CTEST_RESOURCE_GROUP_0=display<depth> and
# CTEST_RESOURCE_GROUP_0_DISPLAY<depth>=id:<id>,slots:1.
# Sourced by wine-run and by the tests of run.sh. Exports VELMO_DEPTH, DISPLAY,
# VELMO_DISPLAY_<depth>, VELMO_WINE_ROOT (<root>/slot<id>, where the prefix of
# each depth is prefix<depth>, as everywhere) and VELMO_WINE_UNMANAGED, then
# drops CTest's variables, so that what runs from here stays on the slot
# without mapping it again. Outside a slot it does nothing.
if [ "${CTEST_RESOURCE_GROUP_COUNT:-0}" -gt 0 ]; then
  velmo_slot_type=$CTEST_RESOURCE_GROUP_0
  velmo_slot_allocation=CTEST_RESOURCE_GROUP_0_${velmo_slot_type^^}
  velmo_slot_id=${!velmo_slot_allocation#id:}
  velmo_slot_id=${velmo_slot_id%%,*}
  export VELMO_DEPTH=${velmo_slot_type#display}
  velmo_slot_display=VELMO_DISPLAY_${VELMO_DEPTH}_$velmo_slot_id
  export DISPLAY=${!velmo_slot_display:?no display $velmo_slot_id of depth $VELMO_DEPTH (scripts/test.sh starts them)}
  export "VELMO_DISPLAY_$VELMO_DEPTH=$DISPLAY"
  export VELMO_WINE_ROOT=${VELMO_WINE_ROOT:?scripts/test.sh names the Wine root}/slot$velmo_slot_id
  # The slot's Xvfb runs no window manager (scripts/wine-prefix).
  export VELMO_WINE_UNMANAGED=1
  unset CTEST_RESOURCE_GROUP_COUNT CTEST_RESOURCE_GROUP_0 "$velmo_slot_allocation"
fi
