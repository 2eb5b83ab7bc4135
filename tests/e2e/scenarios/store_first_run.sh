#!/usr/bin/env bash
# The agent's first start in a fresh prefix seeds the favourites: the My
# Computer submenu "Submenu234" with one "$2" entry per drive, the documents
# folders the prefix's Shell Folders name, the Favorites folder's folder
# shortcuts, the four filters exactly as stored, the settings key's Path and
# the Run value with the agent's path. (Wine lists values sorted by name, so
# the order is not checked here.)
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin store_first_run

key='HKCU\Software\Quantrel\Vorlune Folder'
shell_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

# A folder shortcut in the Favorites folder's subfolder Tools, made with the
# shell's own link object before the agent first starts.
mkdir -p "$WINEPREFIX/drive_c/Build"
e2e_run store_probe.exe shortcut 'C:\Build' favorites 'Tools\Build.lnk' \
  || { e2e_log "the shortcut could not be made"; exit 1; }

e2e_start qorbin.exe >/dev/null
first_run() { [ -n "$(e2e_reg_value "$key\\1.0" Path)" ]; }
e2e_wait 60 "first-run defaults" first_run
path_key="$(e2e_reg_query "$key\\Path")"
e2e_log "$path_key"

has() { grep -qF -- "$1" <<<"$path_key" || { e2e_log "missing in Path: $1"; exit 1; }; }
# The My Computer header, then the fixed drive C: titled by its label or root.
has 'Submenu234    REG_SZ    '
grep -E '^ +Submenu234 +REG_SZ +.+\$5$' <<<"$path_key" >/dev/null || { e2e_log "Submenu234 data"; exit 1; }
grep -E '^ +C:\\\$2 +REG_SZ +(.+ \(C:\)|C:\\)\$9$' <<<"$path_key" >/dev/null || { e2e_log "no C: drive entry"; exit 1; }

# The documents entries follow what the prefix's Shell Folders hold.
for v in Personal 'My Music' 'My Pictures'; do
  p="$(e2e_reg_query "$shell_key" "$v" | grep -F "$v" | sed -E 's/^ *'"$v"' +REG_(EXPAND_)?SZ +//')"
  e2e_log "Shell Folders $v = $p"
  [ -z "$p" ] && continue
  case "$v" in
    Personal) icon=12 ;;
    'My Music') icon=2 ;;
    *) icon=1 ;;
  esac
  grep -iF -- "$p    REG_SZ" <<<"$path_key" | grep -qE "\\\$$icon\$" || { e2e_log "no entry for $v ($p) with icon $icon"; exit 1; }
done

# The Favorites folder's subfolder with a folder shortcut became a submenu.
fav="$(e2e_reg_query "$shell_key" Favorites | grep -F Favorites | sed -E 's/^ *Favorites +REG_(EXPAND_)?SZ +//')"
if [ -n "$fav" ]; then
  has 'SubmenuTools    REG_SZ    Tools$5'
  has 'C:\Build$2    REG_SZ    Build$0'
else
  e2e_log "the prefix has no Favorites folder: the shortcut import is not checked"
fi

# The four filters with their masks exactly as stored.
filters="$(e2e_reg_query "$key\\Filter")"
e2e_log "$filters"
for f in '*.*    REG_SZ    All Files' \
  '*.txt;*.doc*;*.rtf;*.hlp;*.chm;*.xls*;*.pdf;*.ppt*;*.pps*;*.odt    REG_SZ    Text Documents' \
  '*.bmp;*.cdr;*.clp;*.cgm;*.dib;*.drw;*.dxf;*.emf;*.eps;*.gif;*.ico;*.icl;*.iff;*img;*.jpg;*.jpeg;*.lbm;*.ldf;*.lwf;*.pbm;*.pcd;*.pcx;*.pgm;*.pic;*.pct;*.png;*.ppm;*.psd;*.psp;*.qtif;*.ras;*.rgb;*.rle;*.sfw;*.tga;*.tif;*.tiff;*.wmf;*.wpg;*.jpe;*.iff    REG_SZ    Pictures' \
  '*.asf;*.avi;*.bik;*.divx;*.m1v;*.mkv;*.mp4;*.mpe*;*.mpg;*.mpg4;*.mov;*.ogm;*.qt;*.rm;*.smk;*.vob;*.wmv;*.xvid;*.flv;*.mov;*.qt;*.swf;*.3gp;*.ram;*.rmvb;*.m2v;*.ts;*.p4s;*.vpl;*.wpl;*.bpp    REG_SZ    Video'; do
  grep -qxF -- "    $f" <<<"$filters" || { e2e_log "missing filter: $f"; exit 1; }
done
[ "$(grep -c REG_SZ <<<"$filters")" = 4 ] || { e2e_log "not four filters"; exit 1; }

[ "$(e2e_reg_value "$key\\1.0" Path)" = 'C:\qorbin\' ] || { e2e_log "settings Path"; exit 1; }
e2e_reg_query "$run_key" 'Vorlune Folder' | grep -F 'Vorlune Folder' | grep -qF 'C:\qorbin\qorbin.exe' \
  || { e2e_log "no autostart value"; exit 1; }
e2e_pass
