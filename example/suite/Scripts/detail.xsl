<?xml version="1.0" encoding="UTF-8"?>
<!--
  Groups, tests and their records of a regression report as one HTML page.

    xsltproc -o RUN_detail.htm Style/detail.xsl RUN.xml

  The page links style.css and scripts.js from the folder named by the
  parameter style-location ("Style", right for a page beside the report);
  the script only adds life to the "show only failures" filter and the
  expand and collapse buttons, the page reads well without it.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:output method="html" encoding="UTF-8" indent="yes" doctype-system="about:legacy-compat"/>

  <xsl:param name="style-location" select="'Style'"/>

  <xsl:template match="/">
    <html lang="en">
      <head>
        <title>Regression test report: groups and tests</title>
        <link rel="stylesheet" href="{$style-location}/style.css"/>
        <script src="{$style-location}/scripts.js" defer="defer"></script>
      </head>
      <body class="rt-view-detail" data-rt-view="static">
        <div id="rt-root">
          <xsl:apply-templates select="KxRegTester"/>
        </div>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="KxRegTester">
    <xsl:variable name="tests" select=".//Group/Test | .//Group/No_Obj_Spec"/>
    <xsl:variable name="failed" select="$tests[Summary/Errors[normalize-space(.) != '0']
                                                or Summary/ExtErrors[normalize-space(.) != '0']]"/>
    <div class="rt-toolbar">
      <label><input type="checkbox" id="rt-only-failures"/> Show only failures</label>
      <span class="rt-toolbar-info">
        <xsl:value-of select="concat(count($failed), ' of ', count($tests), ' tests failed')"/>
      </span>
      <span class="rt-toolbar-buttons">
        <button type="button" data-rt-action="expand">Expand all records</button>
        <button type="button" data-rt-action="collapse">Collapse all records</button>
      </span>
    </div>
    <div class="rt-groups">
      <xsl:if test="Error | Warning | ExtError | ExtWarning | KxError">
        <div class="rt-group rt-fail rt-root-records">
          <h2 class="rt-group-title">Records outside any group</h2>
          <xsl:apply-templates select="Error | Warning | ExtError | ExtWarning | KxError"/>
        </div>
      </xsl:if>
      <xsl:apply-templates select=".//Group"/>
      <xsl:if test="not(.//Group)">
        <p class="rt-empty">The report holds no groups.</p>
      </xsl:if>
    </div>
  </xsl:template>

  <!-- fail: errors or external errors; warn: only warnings or core-library errors;
       open: no summary yet; pass: clean. -->
  <xsl:template name="status">
    <xsl:param name="obj" select="."/>
    <xsl:variable name="s" select="$obj/Summary"/>
    <xsl:choose>
      <xsl:when test="$s/Errors[normalize-space(.) != '0'] or $s/ExtErrors[normalize-space(.) != '0']">fail</xsl:when>
      <xsl:when test="not($s) and ($obj/Error or $obj/ExtError)">fail</xsl:when>
      <xsl:when test="not($s)">open</xsl:when>
      <xsl:when test="$s/*[normalize-space(.) != '0']">warn</xsl:when>
      <xsl:otherwise>pass</xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="badge">
    <xsl:param name="status"/>
    <span class="rt-badge rt-badge-{$status}">
      <xsl:value-of select="translate($status, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ')"/>
    </span>
  </xsl:template>

  <!-- The five counts of a summary as small labelled boxes. -->
  <xsl:template name="count-list">
    <xsl:param name="summary"/>
    <span class="rt-counts">
      <xsl:call-template name="count-box">
        <xsl:with-param name="name" select="'KxErrors'"/><xsl:with-param name="label" select="'KxE'"/>
        <xsl:with-param name="value" select="$summary/KxErrors"/>
      </xsl:call-template>
      <xsl:call-template name="count-box">
        <xsl:with-param name="name" select="'Errors'"/><xsl:with-param name="label" select="'E'"/>
        <xsl:with-param name="value" select="$summary/Errors"/>
      </xsl:call-template>
      <xsl:call-template name="count-box">
        <xsl:with-param name="name" select="'Warnings'"/><xsl:with-param name="label" select="'W'"/>
        <xsl:with-param name="value" select="$summary/Warnings"/>
      </xsl:call-template>
      <xsl:call-template name="count-box">
        <xsl:with-param name="name" select="'ExtErrors'"/><xsl:with-param name="label" select="'EE'"/>
        <xsl:with-param name="value" select="$summary/ExtErrors"/>
      </xsl:call-template>
      <xsl:call-template name="count-box">
        <xsl:with-param name="name" select="'ExtWarnings'"/><xsl:with-param name="label" select="'EW'"/>
        <xsl:with-param name="value" select="$summary/ExtWarnings"/>
      </xsl:call-template>
    </span>
  </xsl:template>

  <xsl:template name="count-box">
    <xsl:param name="name"/>
    <xsl:param name="label"/>
    <xsl:param name="value"/>
    <span title="{$name}">
      <xsl:attribute name="class">
        <xsl:text>rt-count rt-count-</xsl:text><xsl:value-of select="$name"/>
        <xsl:if test="$value and normalize-space($value) != '0'"> rt-nonzero</xsl:if>
      </xsl:attribute>
      <span class="rt-count-label"><xsl:value-of select="$label"/></span>
      <span class="rt-count-value">
        <xsl:choose>
          <xsl:when test="$value"><xsl:value-of select="normalize-space($value)"/></xsl:when>
          <xsl:otherwise>&#8211;</xsl:otherwise>
        </xsl:choose>
      </span>
    </span>
  </xsl:template>

  <xsl:template name="count-cell">
    <xsl:param name="name"/>
    <xsl:param name="value"/>
    <td>
      <xsl:attribute name="class">
        <xsl:text>rt-num rt-count-</xsl:text><xsl:value-of select="$name"/>
        <xsl:if test="$value and normalize-space($value) != '0'"> rt-nonzero</xsl:if>
      </xsl:attribute>
      <xsl:choose>
        <xsl:when test="$value"><xsl:value-of select="normalize-space($value)"/></xsl:when>
        <xsl:otherwise>&#8211;</xsl:otherwise>
      </xsl:choose>
    </td>
  </xsl:template>

  <xsl:template match="Group">
    <xsl:variable name="status">
      <xsl:call-template name="status"/>
    </xsl:variable>
    <xsl:variable name="tests" select="Test | No_Obj_Spec"/>
    <div class="rt-group rt-{$status}" id="g{@id}">
      <h2 class="rt-group-title">
        <xsl:call-template name="badge"><xsl:with-param name="status" select="$status"/></xsl:call-template>
        <xsl:text> </xsl:text>
        <span>
          <xsl:choose>
            <xsl:when test="Title"><xsl:value-of select="Title"/></xsl:when>
            <xsl:when test="Summary">(untitled group)</xsl:when>
            <xsl:otherwise>(group not finished)</xsl:otherwise>
          </xsl:choose>
        </span>
        <xsl:if test="Time"><span class="rt-time"><xsl:value-of select="Time"/></span></xsl:if>
      </h2>
      <xsl:if test="string(Desc)"><p class="rt-desc"><xsl:value-of select="Desc"/></p></xsl:if>
      <div class="rt-group-summary">
        <xsl:call-template name="count-list"><xsl:with-param name="summary" select="Summary"/></xsl:call-template>
        <span class="rt-group-tests">
          <xsl:value-of select="count($tests)"/>
          <xsl:choose>
            <xsl:when test="count($tests) = 1"> test</xsl:when>
            <xsl:otherwise> tests</xsl:otherwise>
          </xsl:choose>
        </span>
      </div>
      <xsl:if test="Error | Warning | ExtError | ExtWarning | KxError">
        <div class="rt-group-records">
          <h3>Records of the group itself</h3>
          <xsl:apply-templates select="Error | Warning | ExtError | ExtWarning | KxError"/>
        </div>
      </xsl:if>
      <xsl:call-template name="extras"/>
      <xsl:choose>
        <xsl:when test="$tests">
          <table class="rt-tests">
            <thead>
              <tr>
                <th scope="col">Status</th>
                <th scope="col">Test</th>
                <th scope="col">Arguments</th>
                <th scope="col">Ext</th>
                <th scope="col">Time</th>
                <th scope="col" class="rt-num" title="KxErrors">KxE</th>
                <th scope="col" class="rt-num" title="Errors">E</th>
                <th scope="col" class="rt-num" title="Warnings">W</th>
                <th scope="col" class="rt-num" title="ExtErrors">EE</th>
                <th scope="col" class="rt-num" title="ExtWarnings">EW</th>
              </tr>
            </thead>
            <xsl:apply-templates select="$tests"/>
          </table>
        </xsl:when>
        <xsl:otherwise><p class="rt-empty">This group ran no tests.</p></xsl:otherwise>
      </xsl:choose>
    </div>
  </xsl:template>

  <xsl:template match="Test | No_Obj_Spec">
    <xsl:variable name="status">
      <xsl:call-template name="status"/>
    </xsl:variable>
    <xsl:variable name="records" select="Error | Warning | ExtError | ExtWarning | KxError"/>
    <xsl:variable name="extras"><xsl:call-template name="extras"/></xsl:variable>
    <tbody class="rt-test rt-{$status}">
      <tr class="rt-test-row" id="t{@id}">
        <td class="rt-status">
          <xsl:call-template name="badge"><xsl:with-param name="status" select="$status"/></xsl:call-template>
        </td>
        <td class="rt-test-title">
          <div class="rt-name">
            <xsl:choose>
              <xsl:when test="Title"><xsl:value-of select="Title"/></xsl:when>
              <xsl:when test="not(Summary)">(test not finished)</xsl:when>
              <xsl:otherwise><xsl:value-of select="name()"/></xsl:otherwise>
            </xsl:choose>
          </div>
          <xsl:if test="string(Desc)"><div class="rt-desc"><xsl:value-of select="Desc"/></div></xsl:if>
        </td>
        <td class="rt-args">
          <xsl:choose>
            <xsl:when test="Arg">
              <ul><xsl:for-each select="Arg"><li><code><xsl:value-of select="."/></code></li></xsl:for-each></ul>
            </xsl:when>
            <xsl:otherwise><span class="rt-none">&#8211;</span></xsl:otherwise>
          </xsl:choose>
        </td>
        <td class="rt-ext">
          <xsl:choose>
            <xsl:when test="string(Ext)"><pre><xsl:value-of select="Ext"/></pre></xsl:when>
            <xsl:otherwise><span class="rt-none">&#8211;</span></xsl:otherwise>
          </xsl:choose>
        </td>
        <td class="rt-time">
          <xsl:choose>
            <xsl:when test="Time"><xsl:value-of select="Time"/></xsl:when>
            <xsl:otherwise>&#8211;</xsl:otherwise>
          </xsl:choose>
        </td>
        <xsl:call-template name="count-cell">
          <xsl:with-param name="name" select="'KxErrors'"/><xsl:with-param name="value" select="Summary/KxErrors"/>
        </xsl:call-template>
        <xsl:call-template name="count-cell">
          <xsl:with-param name="name" select="'Errors'"/><xsl:with-param name="value" select="Summary/Errors"/>
        </xsl:call-template>
        <xsl:call-template name="count-cell">
          <xsl:with-param name="name" select="'Warnings'"/><xsl:with-param name="value" select="Summary/Warnings"/>
        </xsl:call-template>
        <xsl:call-template name="count-cell">
          <xsl:with-param name="name" select="'ExtErrors'"/><xsl:with-param name="value" select="Summary/ExtErrors"/>
        </xsl:call-template>
        <xsl:call-template name="count-cell">
          <xsl:with-param name="name" select="'ExtWarnings'"/><xsl:with-param name="value" select="Summary/ExtWarnings"/>
        </xsl:call-template>
      </tr>
      <xsl:if test="$records or string($extras)">
        <tr class="rt-records-row">
          <td colspan="10">
            <details class="rt-details">
              <xsl:if test="$status = 'fail'"><xsl:attribute name="open">open</xsl:attribute></xsl:if>
              <summary>
                <xsl:choose>
                  <xsl:when test="count($records) = 1">1 record</xsl:when>
                  <xsl:when test="$records"><xsl:value-of select="count($records)"/> records</xsl:when>
                </xsl:choose>
                <xsl:if test="$records and string($extras)">; </xsl:if>
                <xsl:if test="string($extras)">other values</xsl:if>
              </summary>
              <xsl:apply-templates select="$records"/>
              <xsl:copy-of select="$extras"/>
            </details>
          </td>
        </tr>
      </xsl:if>
    </tbody>
  </xsl:template>

  <!-- Values a test or group wrote besides the usual ones (test code may add its own). -->
  <xsl:template name="extras">
    <xsl:variable name="extras" select="*[not(self::Title or self::Desc or self::Time or self::Arg
        or self::Ext or self::Summary or self::Error or self::Warning or self::ExtError
        or self::ExtWarning or self::KxError or self::Test or self::No_Obj_Spec or self::Group)]"/>
    <xsl:if test="$extras">
      <dl class="rt-extras">
        <xsl:for-each select="$extras">
          <dt><xsl:value-of select="name()"/></dt>
          <dd><xsl:value-of select="normalize-space(.)"/></dd>
        </xsl:for-each>
      </dl>
    </xsl:if>
  </xsl:template>

  <xsl:template match="Error | Warning | ExtError | ExtWarning | KxError">
    <div class="rt-record rt-record-{name()}">
      <div class="rt-record-head">
        <span class="rt-record-type">
          <xsl:choose>
            <xsl:when test="self::ExtError">External error</xsl:when>
            <xsl:when test="self::ExtWarning">External warning</xsl:when>
            <xsl:when test="self::KxError">Core library error</xsl:when>
            <xsl:otherwise><xsl:value-of select="name()"/></xsl:otherwise>
          </xsl:choose>
        </span>
        <xsl:if test="string(Method)"><code class="rt-method"><xsl:value-of select="Method"/></code></xsl:if>
        <xsl:if test="string(Desc)"><span class="rt-record-desc"><xsl:value-of select="Desc"/></span></xsl:if>
      </div>
      <xsl:if test="Msg">
        <ul class="rt-msgs">
          <xsl:for-each select="Msg"><li><xsl:value-of select="."/></li></xsl:for-each>
        </ul>
      </xsl:if>
      <xsl:if test="Trace">
        <div class="rt-traces">
          <div class="rt-traces-label">Trace</div>
          <ol><xsl:for-each select="Trace"><li><xsl:value-of select="."/></li></xsl:for-each></ol>
        </div>
      </xsl:if>
    </div>
  </xsl:template>

</xsl:stylesheet>
