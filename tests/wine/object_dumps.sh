#!/usr/bin/env bash
# A dump written to a file by one run of the program is loaded by a second
# run, as the Windows program and natively, and the two builds read each
# other's dumps: the graph comes back whole (a shared object once, a cycle
# closed, binary text kept).
source "$(dirname "$0")/scenario.lib" object_dumps

cat >"$work/writer.orv" <<'ORV'
name = %1%
shared := {name: "shared"}
g := {n: -70000, f: 0.25, t: "text", list: [shared, shared]}
g.self := g
g.SetCapacity("bin", 6)
NumPut(0x00430000, g.GetAddress("bin"), "UInt")
FileAppend, % ObjDump(name ".bin", g, 1), *
ORV
cat >"$work/reader.orv" <<'ORV'
name = %1%
g := ObjLoad(name ".bin")
FileAppend, % g.n " " g.f " " g.t " " (g.list[1] = g.list[2]) " " g.list[1].name " " (g.self = g) " " NumGet(g.GetAddress("bin"), 2, "UShort"), *
ORV

expected="-70000 0.25 text 1 shared 1 67"
for writer in wine native; do
  for reader in wine native; do
    out=$(cd "$work" && "$OLDPWD/tools/orvrun" "--$writer" writer.orv "$writer" 2>&1 </dev/null)
    [ "$out" = 306 ]; check "dump written [$writer]" $? "got: $out"
    got=$(cd "$work" && "$OLDPWD/tools/orvrun" "--$reader" reader.orv "$writer" 2>&1 </dev/null | tr -d '\r')
    [ "$got" = "$expected" ]; check "written [$writer], loaded [$reader]" $? "got: $got"
  done
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
